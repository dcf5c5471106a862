#include "dsp/gain_node.h"

int GainNode::DoProcess(const SampleBlock& block)
{
    const int channels = ChannelsIn(block);
    for (int k = 0; k < channels; ++k)
        ApplyGain(gain, block.channelsBegin[k], block.sampleCount);
    return 1;
}

void GainNode::ApplyGain(double gain, float* samples, int count)
{
    for (int j = 0; j < count; ++j)
        samples[j] = static_cast<float>(samples[j] * gain);
}
