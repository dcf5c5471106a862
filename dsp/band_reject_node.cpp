#include "dsp/band_reject_node.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "dsp/band_reject_sse2.h"
#include "dsp/fp_state.h"

namespace {
constexpr double kBandwidthLimitRatio = 0.4166666666666667;  // 5/12: tan's argument stays <= 75 degrees
constexpr double kCentreLimitRatio = 0.45454545454545453;    // 5/11
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

bool IsFinite(const BandRejectNode::Coefficients& c)
{
    return std::isfinite(c.a0) && std::isfinite(c.a1) && std::isfinite(c.a2) && std::isfinite(c.b1) &&
           std::isfinite(c.b2);
}

// Filtering channels side by side equals one after the other only when no two buffers share
// a sample; a host that hands the same buffer twice gets the one-after-the-other result. Only
// channels packed together are compared: groups run one after the other, so buffers shared
// across groups already meet in order, and the cost stays linear in the channel count.
bool AnyBuffersOverlap(float* const* channels, int channelCount, int count)
{
    const uintptr_t bytes = static_cast<uintptr_t>(count) * sizeof(float);
    for (int i = 0; i < channelCount; ++i)
        for (int k = i + 1; k < channelCount; ++k) {
            const uintptr_t a = reinterpret_cast<uintptr_t>(channels[i]);
            const uintptr_t b = reinterpret_cast<uintptr_t>(channels[k]);
            if (a < b + bytes && b < a + bytes)
                return true;
        }
    return false;
}
}  // namespace

void BandRejectNode::SetFormat(const AudioFormat* format)
{
    ProcessingNode::SetFormat(format);
    const FpStateScope state;
    const double fs = sampleRate_;

    const double limit = fs * kBandwidthLimitRatio;
    if (bandWidth > limit)
        bandWidth = static_cast<int32_t>(limit);

    const double t = std::tan((bandWidth * kPi) / fs);
    const double c2 = 2.0 * std::cos((cutOffFreq * kTwoPi) / fs);
    const double d = t + 1.0;
    coefficients_.a0 = 1.0 / d;
    coefficients_.a1 = -(c2 / d);
    coefficients_.a2 = 1.0 / d;
    coefficients_.b1 = -(c2 / d);
    coefficients_.b2 = (1.0 - t) / d;
    // A sample rate of 0, for one, gives NaN: such a stream is left unfiltered, not silenced.
    coefficientsUsable_ = IsFinite(coefficients_);

    history_.assign(std::max<int>(kMinHistorySlots, channelCount_), ChannelHistory{});
}

bool BandRejectNode::PassesThrough() const
{
    return cutOffFreq > sampleRate_ * kCentreLimitRatio || !coefficientsUsable_;
}

int BandRejectNode::DoProcess(const SampleBlock& block)
{
    if (PassesThrough())
        return 1;
    const SseStateScope state;
    const int channels = std::min(ChannelsIn(block), HistorySlots());
    float* const* buffers = block.channelsBegin;
    const int count = block.sampleCount;
    for (int first = 0; first < channels; first += kMaxPackedChannels) {
        const int group = std::min(kMaxPackedChannels, channels - first);
        float* const* groupBuffers = buffers + first;
        if (group == 1 || count <= 0 || AnyBuffersOverlap(groupBuffers, group, count)) {
            for (int k = 0; k < group; ++k)
                FilterChannel(coefficients_, history_[first + k], groupBuffers[k], count);
        } else {
            FilterChannelsPacked(coefficients_, &history_[first], groupBuffers, group, count);
        }
    }
    return 1;
}

void BandRejectNode::FilterChannel(const Coefficients& c, ChannelHistory& h, float* samples, int count)
{
    double x1 = h.x1, x2 = h.x2, y1 = h.y1, y2 = h.y2;
    for (int j = 0; j < count; ++j) {
        const double x = samples[j];
        const double y = c.a0 * x + c.a1 * x1 + c.a2 * x2 - c.b1 * y1 - c.b2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        samples[j] = static_cast<float>(y);
    }
    h = Settled(ChannelHistory{x1, x2, y1, y2});
}

BandRejectNode::ChannelHistory BandRejectNode::Settled(const ChannelHistory& h)
{
    // A non-finite sample would otherwise poison the rest of the stream; checked once a block.
    if (!std::isfinite(h.x1 + h.x2 + h.y1 + h.y2))
        return ChannelHistory{};
    return h;
}
