#include "dsp/band_reject_node.h"

#include <algorithm>
#include <cmath>

#include "dsp/fp_state.h"
#include "dsp/gain_pass.h"
#include "dsp/packed_filter.h"

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
    FilterChannelsPacked(ChoosePackedPath(channels), coefficients_, history_.data(), block.channelsBegin, channels,
                         block.sampleCount, 1.0);
    return 1;
}

void BandRejectNode::FilterThenScale(const SampleBlock& block, double level)
{
    const SseStateScope state;
    const int channels = ChannelsIn(block);
    const int filtered = PassesThrough() ? 0 : std::min(channels, HistorySlots());
    // A lone channel goes straight to its loop, then the gain pass: every call before the
    // recurrence holds back the next block's.
    if (filtered == 1)
        FilterChannel(coefficients_, history_[0], block.channelsBegin[0], block.sampleCount);
    const bool leveled = filtered > 1 && FilterChannelsPacked(ChoosePackedPath(filtered), coefficients_, history_.data(),
                                                              block.channelsBegin, filtered, block.sampleCount, level);
    for (int k = leveled ? filtered : 0; k < channels; ++k)
        ScaleSamples(level, block.channelsBegin[k], block.sampleCount);
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
