#include "dsp/gain_node.h"

#include "dsp/fp_state.h"
#include "dsp/gain_pass.h"

int GainNode::DoProcess(const SampleBlock& block)
{
    const SseStateScope state;
    const int channels = ChannelsIn(block);
    for (int k = 0; k < channels; ++k)
        ScaleSamples(gain, block.channelsBegin[k], block.sampleCount);
    return 1;
}
