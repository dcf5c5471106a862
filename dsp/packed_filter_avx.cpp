// The AVX instantiation. Everything this file includes before the target switch (the node's
// header and the standard library behind it) is compiled for the base instruction set, so no
// AVX copy of a shared inline function can reach a processor without AVX.
#include "dsp/band_reject_node.h"
#include "dsp/packed_filter.h"

#ifdef __clang__
// clang takes the switch only as an attribute of each function (the native build).
#pragma clang attribute push(__attribute__((target("avx"))), apply_to = function)
#else
#pragma GCC target("avx")  // NOLINT(clang-diagnostic-unknown-pragmas): GCC builds this file for AVX
#endif
#include <immintrin.h>

#include "dsp/lane_filter.h"

namespace {
struct AvxLanes {
    using Vec = __m256d;
    static constexpr int kWidth = 4;

    static Vec Broadcast(double value) { return _mm256_set1_pd(value); }
    static Vec Gather(const BandRejectNode::ChannelHistory* h, double BandRejectNode::ChannelHistory::*field)
    {
        return _mm256_setr_pd(h[0].*field, h[1].*field, h[2].*field, h[3].*field);
    }
    static void Store(double* values, Vec v) { _mm256_storeu_pd(values, v); }
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

#ifdef __clang__
#pragma clang attribute pop
#endif
