// The packed filter's kernel, written once over a lane type: Lanes supplies the vector of
// kWidth doubles and moves kWidth frames of kWidth channels between the buffers and the
// vectors, one frame per vector, rounding outputs to float and applying the level.
// Included only by the files that instantiate it for one instruction set; the unnamed
// namespace keeps each file's instantiations its own.
#pragma once

#include "dsp/band_reject_node.h"
#include "dsp/packed_filter.h"

namespace {

template <class Lanes>
struct LaneState {
    typename Lanes::Vec x1, x2, y1, y2;
};

// kWidth histories to and from the lanes, one field a vector. Each field is loaded on its own,
// where one store wrote it: a vector loaded from several stores would wait for them to retire.
template <class Lanes>
LaneState<Lanes> LoadState(const BandRejectNode::ChannelHistory* h)
{
    using History = BandRejectNode::ChannelHistory;
    return {Lanes::Gather(h, &History::x1), Lanes::Gather(h, &History::x2), Lanes::Gather(h, &History::y1),
            Lanes::Gather(h, &History::y2)};
}

template <class Lanes>
void StoreState(const LaneState<Lanes>& s, BandRejectNode::ChannelHistory* h)
{
    double field[4][Lanes::kWidth];
    Lanes::Store(field[0], s.x1), Lanes::Store(field[1], s.x2), Lanes::Store(field[2], s.y1);
    Lanes::Store(field[3], s.y2);
    for (int l = 0; l < Lanes::kWidth; ++l)
        h[l] = {field[0][l], field[1][l], field[2][l], field[3][l]};
}

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
                  BandRejectNode::ChannelHistory* laneOut, float* const* lanes, int count)
{
    constexpr int kWidth = Lanes::kWidth;
    LaneState<Lanes> s[Groups];
    for (int g = 0; g < Groups; ++g)
        s[g] = LoadState<Lanes>(laneHistory + g * kWidth);
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
        StoreState(s[g], laneOut + g * kWidth);
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
    BandRejectNode::ChannelHistory paddedHistory[kPassGroups * kWidth], laneOut[kPassGroups * kWidth];
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
                            BandRejectNode::ChannelHistory*, float* const*, int);
    static constexpr Kernel kByGroups[kPassGroups] = {FilterGroups<Lanes, 1>, FilterGroups<Lanes, 2>,
                                                      FilterGroups<Lanes, 3>, FilterGroups<Lanes, 4>,
                                                      FilterGroups<Lanes, 5>};
    kByGroups[groups - 1](k, laneHistory, laneOut, lanes, count);
    for (int channel = 0; channel < channelCount; ++channel)
        history[channel] = BandRejectNode::Settled(laneOut[channel]);
}

}  // namespace
