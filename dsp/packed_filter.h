// The filter over several channels at once, one channel per lane of a vector of doubles, with
// the level applied as each sample leaves, so that the samples pass through the caches once.
// Each lane does the IEEE operations of BandRejectNode::FilterChannel in the same order, then
// those of the gain pass, so the output is bit for bit that of the one-channel loop followed by
// the gain pass.
#pragma once

#include "dsp/band_reject_node.h"

enum class PackedPath { Sse2, Avx };  // two and four lanes

// The path for this many channels: AVX for three and more where the processor has it and the
// system saves its registers. BANDREJECT_PACKED_PATH=sse2 in the environment keeps to SSE2,
// to measure that path on such a processor. Two channels fill SSE2's two lanes; four lanes
// would only compute copies.
PackedPath WidestPackedPath();
inline PackedPath ChoosePackedPath(int channelCount)
{
    return channelCount <= 2 ? PackedPath::Sse2 : WidestPackedPath();
}
bool AvxUsable();

// Filters count samples of channelCount channels in place, with history slot k for channel k,
// each output rounded to float, then times level, rounded to float, where no two buffers share
// a sample (a shared buffer must be filtered for every channel before it is scaled for any;
// beyond kComparedChannels they are not compared). Returns whether the level was applied.
// Buffers that overlap are filtered one channel after the other, as the one-channel loop does.
constexpr int kComparedChannels = 16;
bool FilterChannelsPacked(PackedPath path, const BandRejectNode::Coefficients& c,
                          BandRejectNode::ChannelHistory* history, float* const* channels, int channelCount, int count,
                          double level);

// One pass of a kernel: at most kPassGroups times its lanes of channels, buffers apart. Five
// pairs of SSE2 lanes keep ten channels in one pass.
constexpr int kPassGroups = 5;
void FilterPassSse2(const BandRejectNode::Coefficients& c, BandRejectNode::ChannelHistory* history,
                    float* const* channels, int channelCount, int count, double level);
void FilterPassAvx(const BandRejectNode::Coefficients& c, BandRejectNode::ChannelHistory* history,
                   float* const* channels, int channelCount, int count, double level);
