// The filter over several channels at once: two channels per SSE2 register of packed doubles,
// up to five registers interleaved, so the recurrences' latencies overlap. Each lane does the
// same IEEE operations in the same order as BandRejectNode::FilterChannel, so the output is
// bit for bit that of filtering the channels one after the other, under any MXCSR.
#pragma once

#include "dsp/band_reject_node.h"

// Filters count samples of each of channelCount channels (at most kMaxPackedChannels) in
// place, with history slot k for channel k. The buffers must not overlap.
void FilterChannelsPacked(const BandRejectNode::Coefficients& c, BandRejectNode::ChannelHistory* history,
                          float* const* channels, int channelCount, int count);

constexpr int kMaxPackedChannels = 10;
