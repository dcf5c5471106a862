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
// to measure that path on such a processor.
PackedPath ChoosePackedPath(int channelCount);
bool AvxUsable();

// Filters count samples of channelCount channels in place, with history slot k for channel k,
// each output rounded to float, then times level, rounded to float. A level other than 1
// requires buffersApart: no two buffers share a sample. Without it, buffers that overlap are
// filtered one channel after the other, as the one-channel loop does.
void FilterChannelsPacked(PackedPath path, const BandRejectNode::Coefficients& c,
                          BandRejectNode::ChannelHistory* history, float* const* channels, int channelCount, int count,
                          double level, bool buffersApart);

// The stream's call for its block: filters the channels on the path for their count and
// applies level as well where no two buffers meet (a shared buffer must be filtered for every
// channel before it is scaled for any). Returns whether the level was applied.
bool FilterChannelsLeveled(const BandRejectNode::Coefficients& c, BandRejectNode::ChannelHistory* history,
                           float* const* channels, int channelCount, int count, double level);

// One pass of a kernel: at most kPassGroups times its lanes of channels, buffers apart. Five
// pairs of SSE2 lanes keep ten channels in one pass.
constexpr int kPassGroups = 5;
void FilterPassSse2(const BandRejectNode::Coefficients& c, BandRejectNode::ChannelHistory* history,
                    float* const* channels, int channelCount, int count, double level);
void FilterPassAvx(const BandRejectNode::Coefficients& c, BandRejectNode::ChannelHistory* history,
                   float* const* channels, int channelCount, int count, double level);

// Whether no two of the buffers share a sample over count samples.
bool BuffersApart(float* const* channels, int channelCount, int count);
