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

// Whether no two of the buffers share a sample over count samples.
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
}  // namespace

PackedPath WidestPackedPath()
{
    // Chosen on the first call, whatever the order in which the library's statics start.
    static const PackedPath widest = WidestPath();
    return widest;
}

bool FilterChannelsPacked(PackedPath path, const BandRejectNode::Coefficients& c,
                          BandRejectNode::ChannelHistory* history, float* const* channels, int channelCount, int count,
                          double level)
{
    const bool apart = channelCount <= kComparedChannels && BuffersApart(channels, channelCount, count);
    const bool avx = path == PackedPath::Avx;
    const int passChannels = kPassGroups * (avx ? 4 : 2);
    // Passes run one after the other, so buffers shared across passes meet in order; only
    // those within a pass need comparing, and the cost stays linear in the channel count.
    for (int first = 0; first < channelCount; first += passChannels) {
        const int n = std::min(passChannels, channelCount - first);
        float* const* buffers = channels + first;
        if (n == 1) {
            BandRejectNode::FilterChannel(c, history[first], buffers[0], count);
            if (apart && level != 1.0)
                ScaleSamples(level, buffers[0], count);
        } else if (apart || BuffersApart(buffers, n, count)) {
            (avx ? FilterPassAvx : FilterPassSse2)(c, history + first, buffers, n, count, apart ? level : 1.0);
        } else {
            for (int k = 0; k < n; ++k)
                BandRejectNode::FilterChannel(c, history[first + k], buffers[k], count);
        }
    }
    return apart;
}
