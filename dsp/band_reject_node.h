// Second-order band-reject (notch) filter, bilinear-transform design:
//   H(z) = (1 - c2 z^-1 + z^-2) / ((1 + t) - c2 z^-1 + (1 - t) z^-2),
//   t = tan(pi bandWidth / fs), c2 = 2 cos(2 pi cutOffFreq / fs),
// normalised by 1 + t. Zero gain at the centre, unity at 0 Hz and fs/2. State is double,
// samples are float; channels are independent and the history carries across blocks.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "dsp/processing_node.h"

class BandRejectNode : public ProcessingNode {
public:
    // Blocks may carry more channels than a format announces; this many always have history.
    static constexpr int kMinHistorySlots = 10;

    struct Coefficients {
        double a0, a1, a2, b1, b2;
    };
    struct ChannelHistory {
        double x1, x2, y1, y2;
    };

    // Computes the coefficients from cutOffFreq and bandWidth (lowering bandWidth to 5/12 of
    // the sample rate) and clears the history of max(kMinHistorySlots, nChannels) channels.
    // The coefficients are the same whatever floating-point state the caller left set.
    void SetFormat(const AudioFormat* format) override;
    // Filters every channel that has a history slot, in place, rounding to nearest whatever
    // the caller's MXCSR holds and flushing results that would be subnormal to zero. Leaves the block untouched when the centre lies above 5/11 of the
    // sample rate or the format gave unusable coefficients.
    int DoProcess(const SampleBlock& block) override;
    // The chain's work in one pass over the samples: DoProcess, then every channel of the
    // block times level, as GainNode does, with the same bits.
    void FilterThenScale(const SampleBlock& block, double level);

    // The readable statement of the filter: one channel's samples through the recurrence.
    // DoProcess runs several channels at once with the same arithmetic (packed_filter.h).
    static void FilterChannel(const Coefficients& c, ChannelHistory& h, float* samples, int count);
    // The history to carry into the next block: cleared when a non-finite sample has reached it,
    // checked once a block; inline, so that the history stays in registers.
    static ChannelHistory Settled(const ChannelHistory& h)
    {
        return std::isfinite(h.x1 + h.x2 + h.y1 + h.y2) ? h : ChannelHistory{};
    }

    const Coefficients& Coeffs() const { return coefficients_; }
    const ChannelHistory& History(int channel) const { return history_[channel]; }
    int HistorySlots() const { return static_cast<int>(history_.size()); }

    int32_t cutOffFreq = 1000;
    int32_t bandWidth = 400;

private:
    bool PassesThrough() const;

    Coefficients coefficients_{};
    bool coefficientsUsable_ = false;
    std::vector<ChannelHistory> history_ = std::vector<ChannelHistory>(kMinHistorySlots, ChannelHistory{});
};
