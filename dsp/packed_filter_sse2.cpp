#include "dsp/lane_filter.h"
#include "dsp/packed_filter.h"
#include "dsp/packed_samples.h"

namespace {
struct Sse2Lanes {
    using Vec = __m128d;
    static constexpr int kWidth = 2;

    static Vec Broadcast(double value) { return _mm_set1_pd(value); }
    static Vec Gather(const BandRejectNode::ChannelHistory* h, double BandRejectNode::ChannelHistory::*field)
    {
        return _mm_setr_pd(h[0].*field, h[1].*field);
    }
    static void Store(double* values, Vec v) { _mm_storeu_pd(values, v); }
    // The filter's output rounded to float, then the gain pass's product.
    static Vec Leveled(Vec y, Vec level) { return _mm_cvtps_pd(_mm_cvtpd_ps(y)) * level; }

    static void LoadFrames(float* const* lanes, int j, Vec* frames)
    {
        const Vec low = WidenTwo(lanes[0] + j), high = WidenTwo(lanes[1] + j);
        frames[0] = _mm_unpacklo_pd(low, high);
        frames[1] = _mm_unpackhi_pd(low, high);
    }
    static void StoreFrames(float* const* lanes, int j, const Vec* y, Vec level)
    {
        const Vec first = Leveled(y[0], level), second = Leveled(y[1], level);
        NarrowTwo(lanes[0] + j, _mm_unpacklo_pd(first, second));
        NarrowTwo(lanes[1] + j, _mm_unpackhi_pd(first, second));
    }
    static Vec LoadFrame(float* const* lanes, int j) { return _mm_set_pd(lanes[1][j], lanes[0][j]); }
    static void StoreFrame(float* const* lanes, int j, Vec y, Vec level)
    {
        const __m128 out = _mm_cvtpd_ps(Leveled(y, level));
        _mm_store_ss(lanes[0] + j, out);
        _mm_store_ss(lanes[1] + j, _mm_shuffle_ps(out, out, 1));
    }
};
}  // namespace

void FilterPassSse2(const BandRejectNode::Coefficients& c, BandRejectNode::ChannelHistory* history,
                    float* const* channels, int channelCount, int count, double level)
{
    FilterPass<Sse2Lanes>(c, history, channels, channelCount, count, level);
}
