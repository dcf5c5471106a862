// The AVX instantiation. Everything this file includes before the target switch (the node's
// header and the standard library behind it) is compiled for the base instruction set, so no
// AVX copy of a shared inline function can reach a processor without AVX.
#include "dsp/band_reject_node.h"
#include "dsp/packed_filter.h"

#pragma GCC target("avx")
#include <immintrin.h>

#include "dsp/lane_filter.h"

namespace {
struct AvxLanes {
    using Vec = __m256d;
    static constexpr int kWidth = 4;

    static Vec Broadcast(double value) { return _mm256_set1_pd(value); }
    // Four histories, one vector each, transposed to and from the lanes; each half is loaded
    // as the two-lane path stores it.
    static LaneState<AvxLanes> LoadState(const BandRejectNode::ChannelHistory* h)
    {
        Vec v[kWidth];
        for (int l = 0; l < kWidth; ++l)
            v[l] = _mm256_loadu2_m128d(&h[l].y1, &h[l].x1);
        Transpose(v);
        return {v[0], v[1], v[2], v[3]};
    }
    static void StoreState(const LaneState<AvxLanes>& s, BandRejectNode::ChannelHistory* h)
    {
        Vec v[kWidth] = {s.x1, s.x2, s.y1, s.y2};
        Transpose(v);
        for (int l = 0; l < kWidth; ++l)
            _mm256_storeu2_m128d(&h[l].y1, &h[l].x1, v[l]);
    }
    static void Transpose(Vec (&v)[kWidth])
    {
        const Vec t0 = _mm256_unpacklo_pd(v[0], v[1]), t1 = _mm256_unpackhi_pd(v[0], v[1]);
        const Vec t2 = _mm256_unpacklo_pd(v[2], v[3]), t3 = _mm256_unpackhi_pd(v[2], v[3]);
        v[0] = _mm256_permute2f128_pd(t0, t2, 0x20), v[1] = _mm256_permute2f128_pd(t1, t3, 0x20);
        v[2] = _mm256_permute2f128_pd(t0, t2, 0x31), v[3] = _mm256_permute2f128_pd(t1, t3, 0x31);
    }
    // The filter's output rounded to float, then the gain pass's product rounded to float.
    static __m128 Leveled(Vec y, Vec level) { return _mm256_cvtpd_ps(_mm256_cvtps_pd(_mm256_cvtpd_ps(y)) * level); }

    static void LoadFrames(float* const* lanes, int j, Vec* frames)
    {
        __m128 r0 = _mm_loadu_ps(lanes[0] + j), r1 = _mm_loadu_ps(lanes[1] + j);
        __m128 r2 = _mm_loadu_ps(lanes[2] + j), r3 = _mm_loadu_ps(lanes[3] + j);
        _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
        frames[0] = _mm256_cvtps_pd(r0), frames[1] = _mm256_cvtps_pd(r1);
        frames[2] = _mm256_cvtps_pd(r2), frames[3] = _mm256_cvtps_pd(r3);
    }
    static void StoreFrames(float* const* lanes, int j, const Vec* y, Vec level)
    {
        __m128 r0 = Leveled(y[0], level), r1 = Leveled(y[1], level);
        __m128 r2 = Leveled(y[2], level), r3 = Leveled(y[3], level);
        _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
        _mm_storeu_ps(lanes[0] + j, r0), _mm_storeu_ps(lanes[1] + j, r1);
        _mm_storeu_ps(lanes[2] + j, r2), _mm_storeu_ps(lanes[3] + j, r3);
    }
    static Vec LoadFrame(float* const* lanes, int j)
    {
        return _mm256_set_pd(lanes[3][j], lanes[2][j], lanes[1][j], lanes[0][j]);
    }
    static void StoreFrame(float* const* lanes, int j, Vec y, Vec level)
    {
        float out[kWidth];
        _mm_storeu_ps(out, Leveled(y, level));
        for (int l = 0; l < kWidth; ++l)
            lanes[l][j] = out[l];
    }
};
}  // namespace

void FilterPassAvx(const BandRejectNode::Coefficients& c, BandRejectNode::ChannelHistory* history,
                   float* const* channels, int channelCount, int count, double level)
{
    FilterPass<AvxLanes>(c, history, channels, channelCount, count, level);
}
