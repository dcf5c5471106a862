#include "dsp/packed_filter.h"

#include <cpuid.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dsp/gain_pass.h"

// The processor's flag, and the system's saving of the AVX registers on a task switch
// (OSXSAVE, then the SSE and AVX bits of XCR0).
bool AvxUsable()
{
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(ecx & bit_AVX) || !(ecx & bit_OSXSAVE))
        return false;
    unsigned low, high;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (low & 6) == 6;
}

namespace {

PackedPath WidestPath()
{
    const char* chosen = std::getenv("BANDREJECT_PACKED_PATH");
    if (chosen && std::strcmp(chosen, "sse2") == 0)
        return PackedPath::Sse2;
    return AvxUsable() ? PackedPath::Avx : PackedPath::Sse2;
}
}  // namespace

PackedPath ChoosePackedPath(int channelCount)
{
    // Chosen on the first call, whatever the order in which the library's statics start.
    static const PackedPath widest = WidestPath();
    // Two channels fill SSE2's two lanes; four lanes would only compute copies.
    return channelCount <= 2 ? PackedPath::Sse2 : widest;
}

bool BuffersApart(float* const* channels, int channelCount, int count)
{
    const uintptr_t bytes = static_cast<uintptr_t>(count) * sizeof(float);
    for (int i = 0; i < channelCount; ++i)
        for (int k = i + 1; k < channelCount; ++k) {
            const uintptr_t a = reinterpret_cast<uintptr_t>(channels[i]);
            const uintptr_t b = reinterpret_cast<uintptr_t>(channels[k]);
            if (a < b + bytes && b < a + bytes)
                return false;
        }
    return true;
}

namespace {
constexpr int PassChannels(PackedPath path) { return kPassGroups * (path == PackedPath::Avx ? 4 : 2); }

// One pass of buffers apart: a lone channel through the one-channel loop and the gain pass,
// several through the path's kernel.
void FilterPassApart(PackedPath path, const BandRejectNode::Coefficients& c, BandRejectNode::ChannelHistory* history,
                     float* const* buffers, int n, int count, double level)
{
    if (n == 1) {
        BandRejectNode::FilterChannel(c, history[0], buffers[0], count);
        if (level != 1.0)
            ScaleSamples(level, buffers[0], count);
    } else {
        (path == PackedPath::Avx ? FilterPassAvx : FilterPassSse2)(c, history, buffers, n, count, level);
    }
}
}  // namespace

void FilterChannelsPacked(PackedPath path, const BandRejectNode::Coefficients& c,
                          BandRejectNode::ChannelHistory* history, float* const* channels, int channelCount, int count,
                          double level, bool buffersApart)
{
    const int passChannels = PassChannels(path);
    // Passes run one after the other, so buffers shared across passes meet in order; only
    // those within a pass need comparing, and the cost stays linear in the channel count.
    for (int first = 0; first < channelCount; first += passChannels) {
        const int n = std::min(passChannels, channelCount - first);
        float* const* buffers = channels + first;
        if (buffersApart || BuffersApart(buffers, n, count)) {
            FilterPassApart(path, c, history + first, buffers, n, count, level);
        } else {
            // The level is 1 here: only buffers apart take another.
            for (int k = 0; k < n; ++k)
                BandRejectNode::FilterChannel(c, history[first + k], buffers[k], count);
        }
    }
}

bool FilterChannelsLeveled(const BandRejectNode::Coefficients& c, BandRejectNode::ChannelHistory* history,
                           float* const* channels, int channelCount, int count, double level)
{
    // Beyond this many channels the buffers are not compared, and the level takes a pass of its own.
    constexpr int kFusedChannelLimit = 16;
    const PackedPath path = ChoosePackedPath(channelCount);
    const bool apart = channelCount <= kFusedChannelLimit && BuffersApart(channels, channelCount, count);
    // One pass, as hosts' blocks mostly are, goes straight to its kernel: every call and store
    // before the recurrence holds back the next block's.
    if (apart && channelCount <= PassChannels(path))
        FilterPassApart(path, c, history, channels, channelCount, count, level);
    else
        FilterChannelsPacked(path, c, history, channels, channelCount, count, apart ? level : 1.0, apart);
    return apart;
}
