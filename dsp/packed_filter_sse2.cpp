#include "dsp/lane_filter.h"
#include "dsp/packed_filter.h"
#include "dsp/packed_samples.h"

namespace {
struct Sse2Lanes {
    using Vec = __m128d;
    static constexpr int kWidth = 2;

    static Vec Broadcast(double value) { return _mm_set1_pd(value); }
    // Two histories, each a vector of its x1, x2 and one of its y1, y2, to and from the lanes.
    static LaneState<Sse2Lanes> LoadState(const BandRejectNode::ChannelHistory* h)
    {
        const Vec x0 = _mm_loadu_pd(&h[0].x1), x1 = _mm_loadu_pd(&h[1].x1);
        const Vec y0 = _mm_loadu_pd(&h[0].y1), y1 = _mm_loadu_pd(&h[1].y1);
        return {_mm_unpacklo_pd(x0, x1), _mm_unpackhi_pd(x0, x1), _mm_unpacklo_pd(y0, y1), _mm_unpackhi_pd(y0, y1)};
    }
    static void StoreState(const LaneState<Sse2Lanes>& s, BandRejectNode::ChannelHistory* h)
    {
        _mm_storeu_pd(&h[0].x1, _mm_unpacklo_pd(s.x1, s.x2)), _mm_storeu_pd(&h[1].x1, _mm_unpackhi_pd(s.x1, s.x2));
        _mm_storeu_pd(&h[0].y1, _mm_unpacklo_pd(s.y1, s.y2)), _mm_storeu_pd(&h[1].y1, _mm_unpackhi_pd(s.y1, s.y2));
    }
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
