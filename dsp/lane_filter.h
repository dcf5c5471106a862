// The packed filter's kernel, written once over a lane type: Lanes supplies the vector of
// kWidth doubles, gathers one field of kWidth histories into it, and moves kWidth frames of
// kWidth channels between the buffers and the vectors, one frame per vector, rounding outputs
// to float and applying the level.
// Included only by the files that instantiate it for one instruction set; the unnamed
// namespace keeps each file's instantiations its own.
#pragma once

#include "dsp/band_reject_node.h"
#include "dsp/packed_filter.h"

namespace {  // NOLINT(cert-dcl59-cpp): each including file keeps its own instantiations

template <class Lanes>
struct LaneState {
    typename Lanes::Vec x1, x2, y1, y2;
};

template <class Lanes>
struct LaneCoefficients {
    using Vec = typename Lanes::Vec;
    LaneCoefficients(const BandRejectNode::Coefficients& c, double level)
        : a0(Lanes::Broadcast(c.a0)), a1(Lanes::Broadcast(c.a1)), a2(Lanes::Broadcast(c.a2)),
          b1(Lanes::Broadcast(c.b1)), b2(Lanes::Broadcast(c.b2)), level(Lanes::Broadcast(level))
    {
    }
    Vec a0, a1, a2, b1, b2, level;
};

// One frame: FilterChannel's statement, lane by lane.
template <class Lanes>
inline typename Lanes::Vec Step(const LaneCoefficients<Lanes>& k, LaneState<Lanes>& s, typename Lanes::Vec x)
{
    const typename Lanes::Vec y = k.a0 * x + k.a1 * s.x1 + k.a2 * s.x2 - k.b1 * s.y1 - k.b2 * s.y2;
    s.x2 = s.x1;
    s.x1 = x;
    s.y2 = s.y1;
    s.y1 = y;
    return y;
}

// Groups vectors, frame by frame across the groups, so that the processor finds their
// independent steps side by side; lanes holds Groups * kWidth buffers. Unrolled, so that the
// state stays in registers as far as they go.
template <class Lanes, int Groups>
void FilterGroups(const LaneCoefficients<Lanes>& k, const BandRejectNode::ChannelHistory* laneHistory,
                  LaneState<Lanes> (&state)[kPassGroups], float* const* lanes, int count)
{
    constexpr int kWidth = Lanes::kWidth;
    using History = BandRejectNode::ChannelHistory;
    // Each field loaded alone, as one store wrote it: a vector loaded across several stores
    // would wait for the previous block to retire.
    LaneState<Lanes> s[Groups];
    for (int g = 0; g < Groups; ++g) {
        const History* h = laneHistory + g * kWidth;
        s[g] = {Lanes::Gather(h, &History::x1), Lanes::Gather(h, &History::x2), Lanes::Gather(h, &History::y1),
                Lanes::Gather(h, &History::y2)};
    }
    constexpr int kFrames = 4;  // per turn: a multiple of every lane width
    int j = 0;
    for (; j + kFrames <= count; j += kFrames) {
        typename Lanes::Vec frames[Groups][kFrames];
#pragma GCC unroll 5
        for (int g = 0; g < Groups; ++g)
            for (int part = 0; part < kFrames; part += kWidth)
                Lanes::LoadFrames(lanes + g * kWidth, j + part, frames[g] + part);
#pragma GCC unroll 4
        for (int f = 0; f < kFrames; ++f)
#pragma GCC unroll 5
            for (int g = 0; g < Groups; ++g)
                frames[g][f] = Step(k, s[g], frames[g][f]);
#pragma GCC unroll 5
        for (int g = 0; g < Groups; ++g)
            for (int part = 0; part < kFrames; part += kWidth)
                Lanes::StoreFrames(lanes + g * kWidth, j + part, frames[g] + part, k.level);
    }
    for (; j < count; ++j)
        for (int g = 0; g < Groups; ++g)
            Lanes::StoreFrame(lanes + g * kWidth, j, Step(k, s[g], Lanes::LoadFrame(lanes + g * kWidth, j)), k.level);
    for (int g = 0; g < Groups; ++g)
        state[g] = s[g];
}

// Lanes beyond the channels repeat the last channel with its history: they compute and store
// the same values as its own lane, and only that lane's history is kept. Channels that fill
// their groups are taken as they are.
template <class Lanes>
void FilterPass(const BandRejectNode::Coefficients& c, BandRejectNode::ChannelHistory* history,
                float* const* channels, int channelCount, int count, double level)
{
    constexpr int kWidth = Lanes::kWidth;
    const int groups = (channelCount + kWidth - 1) / kWidth;
    float* const* lanes = channels;
    const BandRejectNode::ChannelHistory* laneHistory = history;
    float* paddedLanes[kPassGroups * kWidth];
    BandRejectNode::ChannelHistory paddedHistory[kPassGroups * kWidth];
    if (channelCount % kWidth != 0) {
        for (int l = 0; l < groups * kWidth; ++l) {
            const int channel = l < channelCount ? l : channelCount - 1;
            paddedLanes[l] = channels[channel];
            paddedHistory[l] = history[channel];
        }
        lanes = paddedLanes;
        laneHistory = paddedHistory;
    }
    const LaneCoefficients<Lanes> k(c, level);
    using Kernel = void (*)(const LaneCoefficients<Lanes>&, const BandRejectNode::ChannelHistory*,
                            LaneState<Lanes>(&)[kPassGroups], float* const*, int);
    static constexpr Kernel kByGroups[kPassGroups] = {FilterGroups<Lanes, 1>, FilterGroups<Lanes, 2>,
                                                      FilterGroups<Lanes, 3>, FilterGroups<Lanes, 4>,
                                                      FilterGroups<Lanes, 5>};
    LaneState<Lanes> state[kPassGroups];
    kByGroups[groups - 1](k, laneHistory, state, lanes, count);
    for (int g = 0; g < groups; ++g) {
        double x1[kWidth], x2[kWidth], y1[kWidth], y2[kWidth];
        Lanes::Store(x1, state[g].x1), Lanes::Store(x2, state[g].x2);
        Lanes::Store(y1, state[g].y1), Lanes::Store(y2, state[g].y2);
        for (int l = 0; l < kWidth && g * kWidth + l < channelCount; ++l)
            history[g * kWidth + l] = BandRejectNode::Settled({x1[l], x2[l], y1[l], y2[l]});
    }
}

}  // namespace
