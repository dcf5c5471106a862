#include "dsp/band_reject_sse2.h"

#include <cstring>

#include "dsp/packed_samples.h"

namespace {

using Coefficients = BandRejectNode::Coefficients;
using ChannelHistory = BandRejectNode::ChannelHistory;

// Two channels, one per lane: (low, high). A lone channel runs in both lanes over the same
// buffer: both lanes compute and store the same values, and only the low lane's history is kept.
struct Pair {
    float* low;
    float* high;
    __m128d x1, x2, y1, y2;
    // a0 x1 and a2 x2: each frame's a0 x serves again two frames later as a2 x2, a2 being a0.
    __m128d weighted1, weighted2;
};

struct Packed {
    explicit Packed(const Coefficients& c)
        : a0(_mm_set1_pd(c.a0)), a1(_mm_set1_pd(c.a1)), b1(_mm_set1_pd(c.b1)), b2(_mm_set1_pd(c.b2))
    {
    }
    // a0 x + a1 x1 + a2 x2, left to right, with a0 x and a2 x2 given: waits on no output.
    __m128d FeedForward(__m128d weighted, __m128d x1, __m128d weighted2) const
    {
        return _mm_add_pd(_mm_add_pd(weighted, _mm_mul_pd(a1, x1)), weighted2);
    }
    // sum - b1 y1 - b2 y2: the latency-bound chain.
    __m128d FeedBack(__m128d sum, __m128d y1, __m128d y2) const
    {
        return _mm_sub_pd(_mm_sub_pd(sum, _mm_mul_pd(b1, y1)), _mm_mul_pd(b2, y2));
    }
    __m128d Output(__m128d weighted, __m128d x1, __m128d weighted2, __m128d y1, __m128d y2) const
    {
        return FeedBack(FeedForward(weighted, x1, weighted2), y1, y2);
    }
    __m128d a0, a1, b1, b2;
};

Pair MakePair(const Packed& k, float* low, const ChannelHistory& l, float* high, const ChannelHistory& h)
{
    Pair p{low, high, _mm_set_pd(h.x1, l.x1), _mm_set_pd(h.x2, l.x2), _mm_set_pd(h.y1, l.y1), _mm_set_pd(h.y2, l.y2),
           {}, {}};
    p.weighted1 = _mm_mul_pd(k.a0, p.x1);
    p.weighted2 = _mm_mul_pd(k.a0, p.x2);
    return p;
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

// The high lane first: for a lone channel both lanes hold the same value.
inline void StoreFrame(float* low, float* high, __m128d y)
{
    const __m128 out = _mm_cvtpd_ps(y);
    _mm_store_ss(high, _mm_shuffle_ps(out, out, 1));
    _mm_store_ss(low, out);
}

inline void OneFrame(const Packed& k, Pair& p, int j)
{
    const __m128d x0 = LoadFrame(p.low + j, p.high + j);
    const __m128d weighted0 = _mm_mul_pd(k.a0, x0);
    const __m128d y0 = k.Output(weighted0, p.x1, p.weighted2, p.y1, p.y2);
    StoreFrame(p.low + j, p.high + j, y0);
    p.x2 = p.x1;
    p.x1 = x0;
    p.weighted2 = p.weighted1;
    p.weighted1 = weighted0;
    p.y2 = p.y1;
    p.y1 = y0;
}

// One or two pairs frame by frame, so that their latency-bound recurrences overlap. The state
// lives in plain locals while the loop runs: a Pair in memory would be written back every step.
template <int Pairs>
void FilterPairsTogether(const Packed& k, Pair (&pairs)[Pairs], int count)
{
    float* low[Pairs];
    float* high[Pairs];
    __m128d x1[Pairs], x2[Pairs], weighted1[Pairs], weighted2[Pairs], y1[Pairs], y2[Pairs];
    for (int i = 0; i < Pairs; ++i) {
        low[i] = pairs[i].low;
        high[i] = pairs[i].high;
        x1[i] = pairs[i].x1;
        x2[i] = pairs[i].x2;
        weighted1[i] = pairs[i].weighted1;
        weighted2[i] = pairs[i].weighted2;
        y1[i] = pairs[i].y1;
        y2[i] = pairs[i].y2;
    }
    int j = 0;
    for (; j + 2 <= count; j += 2)
        for (int i = 0; i < Pairs; ++i) {
            const __m128d a = WidenTwo(low[i] + j), b = WidenTwo(high[i] + j);
            const __m128d x0 = LowLanes(a, b), x1n = HighLanes(a, b);
            const __m128d weighted0 = _mm_mul_pd(k.a0, x0);
            const __m128d y0 = k.Output(weighted0, x1[i], weighted2[i], y1[i], y2[i]);
            const __m128d weighted1n = _mm_mul_pd(k.a0, x1n);
            const __m128d y1n = k.Output(weighted1n, x0, weighted1[i], y0, y1[i]);
            // The high lane first: for a lone channel both lanes hold the same values.
            NarrowTwo(high[i] + j, HighLanes(y0, y1n));
            NarrowTwo(low[i] + j, LowLanes(y0, y1n));
            x2[i] = x0;
            x1[i] = x1n;
            weighted2[i] = weighted0;
            weighted1[i] = weighted1n;
            y2[i] = y0;
            y1[i] = y1n;
        }
    for (int i = 0; i < Pairs; ++i) {
        pairs[i].x1 = x1[i];
        pairs[i].x2 = x2[i];
        pairs[i].weighted1 = weighted1[i];
        pairs[i].weighted2 = weighted2[i];
        pairs[i].y1 = y1[i];
        pairs[i].y2 = y2[i];
    }
    if (j < count)
        for (Pair& p : pairs)
            OneFrame(k, p, j);
}

// Frames per pass of the split form: the feed-forward sums of a chunk wait on the stack.
constexpr int kChunk = 256;

// The feed-forward sums of one pair over a chunk, which wait on no output.
void FeedForwardChunk(const Packed& k, Pair& p, int first, int count, __m128d* sums)
{
    float* low = p.low + first;
    float* high = p.high + first;
    __m128d x1 = p.x1, x2 = p.x2, weighted1 = p.weighted1, weighted2 = p.weighted2;
    int j = 0;
    for (; j + 2 <= count; j += 2) {
        const __m128d a = WidenTwo(low + j), b = WidenTwo(high + j);
        const __m128d x0 = LowLanes(a, b), x1n = HighLanes(a, b);
        const __m128d weighted0 = _mm_mul_pd(k.a0, x0);
        sums[j] = k.FeedForward(weighted0, x1, weighted2);
        const __m128d weighted1n = _mm_mul_pd(k.a0, x1n);
        sums[j + 1] = k.FeedForward(weighted1n, x0, weighted1);
        x2 = x0;
        x1 = x1n;
        weighted2 = weighted0;
        weighted1 = weighted1n;
    }
    for (; j < count; ++j) {
        const __m128d x0 = LoadFrame(low + j, high + j);
        const __m128d weighted0 = _mm_mul_pd(k.a0, x0);
        sums[j] = k.FeedForward(weighted0, x1, weighted2);
        x2 = x1;
        x1 = x0;
        weighted2 = weighted1;
        weighted1 = weighted0;
    }
    p.x1 = x1;
    p.x2 = x2;
    p.weighted1 = weighted1;
    p.weighted2 = weighted2;
}

// The feedback of all pairs at once, from the sums of the chunk.
template <int Pairs>
void FeedBackChunk(const Packed& k, Pair (&pairs)[Pairs], int first, int count, const __m128d (*sums)[kChunk])
{
    __m128d y1[Pairs], y2[Pairs];
    for (int i = 0; i < Pairs; ++i) {
        y1[i] = pairs[i].y1;
        y2[i] = pairs[i].y2;
    }
    int j = 0;
    for (; j + 2 <= count; j += 2)
        for (int i = 0; i < Pairs; ++i) {
            const __m128d y0 = k.FeedBack(sums[i][j], y1[i], y2[i]);
            const __m128d y1n = k.FeedBack(sums[i][j + 1], y0, y1[i]);
            NarrowTwo(pairs[i].high + first + j, HighLanes(y0, y1n));
            NarrowTwo(pairs[i].low + first + j, LowLanes(y0, y1n));
            y2[i] = y0;
            y1[i] = y1n;
        }
    for (; j < count; ++j)
        for (int i = 0; i < Pairs; ++i) {
            const __m128d y0 = k.FeedBack(sums[i][j], y1[i], y2[i]);
            StoreFrame(pairs[i].low + first + j, pairs[i].high + first + j, y0);
            y2[i] = y1[i];
            y1[i] = y0;
        }
    for (int i = 0; i < Pairs; ++i) {
        pairs[i].y1 = y1[i];
        pairs[i].y2 = y2[i];
    }
}

// Three pairs and more, whose state outgrows the eight registers: the feed-forward of each pair
// alone, then the feedback of all, which then has the registers for its own state.
template <int Pairs>
void FilterPairsSplit(const Packed& k, Pair (&pairs)[Pairs], int count)
{
    alignas(16) __m128d sums[Pairs][kChunk];
    for (int first = 0; first < count; first += kChunk) {
        const int frames = count - first < kChunk ? count - first : kChunk;
        for (int i = 0; i < Pairs; ++i)
            FeedForwardChunk(k, pairs[i], first, frames, sums[i]);
        FeedBackChunk(k, pairs, first, frames, sums);
    }
}

template <int Pairs>
void FilterPairs(const Packed& k, Pair (&pairs)[Pairs], int count)
{
    if (Pairs <= 2)
        FilterPairsTogether(k, pairs, count);
    else
        FilterPairsSplit(k, pairs, count);
}

template <int Pairs>
void FilterGroup(const Coefficients& c, ChannelHistory* history, float* const* channels, int channelCount,
                 int count)
{
    const Packed k(c);
    Pair pairs[Pairs];
    for (int i = 0; i < Pairs; ++i) {
        const int low = 2 * i;
        const int high = low + 1 < channelCount ? low + 1 : low;
        pairs[i] = MakePair(k, channels[low], history[low], channels[high], history[high]);
    }
    FilterPairs(k, pairs, count);
    for (int ch = 0; ch < channelCount; ++ch)
        history[ch] = BandRejectNode::Settled(Lane(pairs[ch / 2], ch % 2));
}

}  // namespace

void FilterChannelsPacked(const Coefficients& c, ChannelHistory* history, float* const* channels, int channelCount,
                          int count)
{
    // The products a0 x stand in for a2 x2 only while the two coefficients are one value.
    if (std::memcmp(&c.a0, &c.a2, sizeof c.a0) != 0) {
        for (int ch = 0; ch < channelCount; ++ch)
            BandRejectNode::FilterChannel(c, history[ch], channels[ch], count);
        return;
    }
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
