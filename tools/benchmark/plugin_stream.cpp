#include "tools/benchmark/plugin_stream.h"

#include <cstdio>
#include <cstdlib>

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

const PluginLibrary& LoadedPlugin()
{
    try {
        static const PluginLibrary plugin;
        return plugin;
    } catch (const HostError& error) {
        std::fprintf(stderr, "benchmark: %s\n", error.what());
        std::exit(1);
    }
}

Stream::Stream(const PluginLibrary& plugin, int channels, uint32_t rate, StreamCallBack supply, const void* source)
    : plugin_(plugin), stream_(plugin)
{
    EffectSettings settings{};
    settings.dryOut = settings.volume2 = kLevel;
    settings.cutOffFreq = kCentre;
    settings.bandWidth = kBandwidth;
    plugin_.CopySettings(stream_.Receive(), &settings);
    plugin_.SetStreamCallBack(supply, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(source)), stream_.Get());
    const WORD frameBytes = static_cast<WORD>(4 * channels);
    WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, static_cast<WORD>(channels), rate, rate * frameBytes, frameBytes,
                        32, 0};
    plugin_.OpenStream(stream_.Get(), &format);
}

Stream::~Stream()
{
    plugin_.CloseStream(stream_.Get());
}
