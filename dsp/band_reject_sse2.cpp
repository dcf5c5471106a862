#include "dsp/band_reject_sse2.h"

#include <emmintrin.h>

namespace {

using Coefficients = BandRejectNode::Coefficients;
using ChannelHistory = BandRejectNode::ChannelHistory;

// Frames per pass: the feed-forward sums of a chunk wait on the stack for the feedback pass.
constexpr int kChunk = 256;

// Two channels, one per lane. A lone channel runs in both lanes over the same buffer: both
// lanes compute and store the same values, and only the low lane's history is kept.
struct Pair {
    float* low;
    float* high;
    __m128d x1, x2, y1, y2;
};

Pair MakePair(float* low, const ChannelHistory& l, float* high, const ChannelHistory& h)
{
    return Pair{low, high, _mm_set_pd(h.x1, l.x1), _mm_set_pd(h.x2, l.x2), _mm_set_pd(h.y1, l.y1),
                _mm_set_pd(h.y2, l.y2)};
}

ChannelHistory Lane(const Pair& p, int lane)
{
    double x1[2], x2[2], y1[2], y2[2];
    _mm_storeu_pd(x1, p.x1);
    _mm_storeu_pd(x2, p.x2);
    _mm_storeu_pd(y1, p.y1);
    _mm_storeu_pd(y2, p.y2);
    return ChannelHistory{x1[lane], x2[lane], y1[lane], y2[lane]};
}

// One frame of a pair, widened: (low, high).
inline __m128d LoadFrame(const float* low, const float* high)
{
    return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(low), _mm_load_ss(high)));
}

// Two adjacent samples of one channel, widened straight from memory.
inline __m128d LoadTwo(const float* samples)
{
    return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples))));
}

// Four frames of a pair: each channel's samples widened two at a time, then paired up.
inline void LoadFrames(const float* low, const float* high, __m128d (&x)[4])
{
    const __m128d low01 = LoadTwo(low), high01 = LoadTwo(high);
    const __m128d low23 = LoadTwo(low + 2), high23 = LoadTwo(high + 2);
    x[0] = _mm_unpacklo_pd(low01, high01);
    x[1] = _mm_unpackhi_pd(low01, high01);
    x[2] = _mm_unpacklo_pd(low23, high23);
    x[3] = _mm_unpackhi_pd(low23, high23);
}

// The high lane first: for a lone channel both lanes hold the same value.
inline void StoreFrame(float* low, float* high, __m128d y)
{
    const __m128 out = _mm_cvtpd_ps(y);
    _mm_store_ss(high, _mm_shuffle_ps(out, out, 1));
    _mm_store_ss(low, out);
}

inline void StoreFrames(float* low, float* high, const __m128d (&y)[4])
{
    const __m128 first = _mm_movelh_ps(_mm_cvtpd_ps(y[0]), _mm_cvtpd_ps(y[1]));
    const __m128 second = _mm_movelh_ps(_mm_cvtpd_ps(y[2]), _mm_cvtpd_ps(y[3]));
    _mm_storeu_ps(high, _mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1)));
    _mm_storeu_ps(low, _mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0)));
}

struct Packed {
    explicit Packed(const Coefficients& c)
        : a0(_mm_set1_pd(c.a0)), a1(_mm_set1_pd(c.a1)), a2(_mm_set1_pd(c.a2)), b1(_mm_set1_pd(c.b1)),
          b2(_mm_set1_pd(c.b2))
    {
    }
    // a0 x + a1 x1 + a2 x2, which waits on no output.
    __m128d FeedForward(__m128d x, __m128d& x1, __m128d& x2) const
    {
        const __m128d sum = _mm_add_pd(_mm_add_pd(_mm_mul_pd(a0, x), _mm_mul_pd(a1, x1)), _mm_mul_pd(a2, x2));
        x2 = x1;
        x1 = x;
        return sum;
    }
    // sum - b1 y1 - b2 y2: the latency-bound chain.
    __m128d FeedBack(__m128d sum, __m128d& y1, __m128d& y2) const
    {
        const __m128d y = _mm_sub_pd(_mm_sub_pd(sum, _mm_mul_pd(b1, y1)), _mm_mul_pd(b2, y2));
        y2 = y1;
        y1 = y;
        return y;
    }
    __m128d a0, a1, a2, b1, b2;
};

// One pair alone: its whole state fits the eight registers, so it runs in one pass.
void FilterPair(const Packed& k, Pair& p, int count)
{
    __m128d x1 = p.x1, x2 = p.x2, y1 = p.y1, y2 = p.y2;
    int j = 0;
    for (; j + 4 <= count; j += 4) {
        __m128d v[4];
        LoadFrames(p.low + j, p.high + j, v);
        for (__m128d& x : v)
            x = k.FeedBack(k.FeedForward(x, x1, x2), y1, y2);
        StoreFrames(p.low + j, p.high + j, v);
    }
    for (; j < count; ++j)
        StoreFrame(p.low + j, p.high + j, k.FeedBack(k.FeedForward(LoadFrame(p.low + j, p.high + j), x1, x2), y1, y2));
    p.x1 = x1;
    p.x2 = x2;
    p.y1 = y1;
    p.y2 = y2;
}

// The feed-forward sums of one pair over a chunk, at the machine's throughput. a2 equals a0
// (both are 1 / (1 + t)), so a2 x2 is the product a0 x of two frames before, taken from there.
void FeedForwardChunk(const Packed& k, Pair& p, int first, int count, __m128d* sums)
{
    const float* low = p.low + first;
    const float* high = p.high + first;
    __m128d x1 = p.x1, x2 = p.x2;
    __m128d weighted1 = _mm_mul_pd(k.a0, x1), weighted2 = _mm_mul_pd(k.a2, x2);
    auto step = [&](__m128d x) {
        const __m128d weighted = _mm_mul_pd(k.a0, x);
        const __m128d sum = _mm_add_pd(_mm_add_pd(weighted, _mm_mul_pd(k.a1, x1)), weighted2);
        x2 = x1;
        x1 = x;
        weighted2 = weighted1;
        weighted1 = weighted;
        return sum;
    };
    int j = 0;
    for (; j + 4 <= count; j += 4) {
        __m128d v[4];
        LoadFrames(low + j, high + j, v);
        for (int q = 0; q < 4; ++q)
            sums[j + q] = step(v[q]);
    }
    for (; j < count; ++j)
        sums[j] = step(LoadFrame(low + j, high + j));
    p.x1 = x1;
    p.x2 = x2;
}

// The feedback of all pairs at once, so that their latency-bound chains overlap.
template <int Pairs>
void FeedBackChunk(const Packed& k, Pair (&pairs)[Pairs], int first, int count, const __m128d (*sums)[kChunk])
{
    __m128d y1[Pairs], y2[Pairs];
    for (int i = 0; i < Pairs; ++i) {
        y1[i] = pairs[i].y1;
        y2[i] = pairs[i].y2;
    }
    int j = 0;
    for (; j + 4 <= count; j += 4)
        for (int i = 0; i < Pairs; ++i) {
            __m128d v[4];
            for (int q = 0; q < 4; ++q)
                v[q] = k.FeedBack(sums[i][j + q], y1[i], y2[i]);
            StoreFrames(pairs[i].low + first + j, pairs[i].high + first + j, v);
        }
    for (; j < count; ++j)
        for (int i = 0; i < Pairs; ++i)
            StoreFrame(pairs[i].low + first + j, pairs[i].high + first + j, k.FeedBack(sums[i][j], y1[i], y2[i]));
    for (int i = 0; i < Pairs; ++i) {
        pairs[i].y1 = y1[i];
        pairs[i].y2 = y2[i];
    }
}

template <int Pairs>
void FilterPairs(const Packed& k, Pair (&pairs)[Pairs], int count)
{
    alignas(16) __m128d sums[Pairs][kChunk];
    for (int first = 0; first < count; first += kChunk) {
        const int frames = count - first < kChunk ? count - first : kChunk;
        for (Pair& p : pairs)
            FeedForwardChunk(k, p, first, frames, sums[&p - pairs]);
        FeedBackChunk(k, pairs, first, frames, sums);
    }
}

void FilterPairs(const Packed& k, Pair (&pairs)[1], int count)
{
    FilterPair(k, pairs[0], count);
}

template <int Pairs>
void FilterGroup(const Coefficients& c, ChannelHistory* history, float* const* channels, int channelCount,
                 int count)
{
    Pair pairs[Pairs];
    for (int i = 0; i < Pairs; ++i) {
        const int low = 2 * i;
        const int high = low + 1 < channelCount ? low + 1 : low;
        pairs[i] = MakePair(channels[low], history[low], channels[high], history[high]);
    }
    FilterPairs(Packed(c), pairs, count);
    for (int k = 0; k < channelCount; ++k)
        history[k] = BandRejectNode::Settled(Lane(pairs[k / 2], k % 2));
}

}  // namespace

void FilterChannelsPacked(const Coefficients& c, ChannelHistory* history, float* const* channels, int channelCount,
                          int count)
{
    switch ((channelCount + 1) / 2) {
    case 1:
        FilterGroup<1>(c, history, channels, channelCount, count);
        break;
    case 2:
        FilterGroup<2>(c, history, channels, channelCount, count);
        break;
    case 3:
        FilterGroup<3>(c, history, channels, channelCount, count);
        break;
    case 4:
        FilterGroup<4>(c, history, channels, channelCount, count);
        break;
    case 5:
        FilterGroup<5>(c, history, channels, channelCount, count);
        break;
    }
}
