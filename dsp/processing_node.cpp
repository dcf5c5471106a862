#include "dsp/processing_node.h"

void ProcessingNode::SetFormat(const AudioFormat* format)
{
    sampleRate_ = static_cast<int32_t>(format->nSamplesPerSec);
    channelCount_ = format->nChannels;
}

int ProcessingNode::Process(const SampleBlock& block)
{
    if (next_)
        next_->Process(block);
    return DoProcess(block) != 0 ? 1 : 0;
}
