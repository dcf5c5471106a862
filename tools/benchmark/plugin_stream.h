// The benchmarks' side of the plug-in: the library loaded once, a stream opened with the
// benchmarks' settings, and the clock that times them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "host/plugin_api.h"
#include "tools/shared/plugin_library.h"
#include "tools/shared/settings_record.h"

constexpr uint32_t kSampleRate = 44100;
constexpr uint32_t kCentre = 1000;
constexpr uint32_t kBandwidth = 400;
constexpr double kLevel = 1.000015259254738;

// Seconds on the performance counter.
double Now();

// Ends the program when the plug-in cannot be loaded or lacks an export.
const PluginLibrary& LoadedPlugin();

// An open stream of the plug-in at the benchmarks' centre, bandwidth and level, supplied by
// supply with source as its context.
class Stream {
public:
    Stream(const PluginLibrary& plugin, int channels, uint32_t rate, StreamCallBack supply, const void* source);
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    void Process(SampleBlock& block) { plugin_.ProcessStream(&block, stream_.Get()); }

private:
    const PluginLibrary& plugin_;
    SettingsRecord stream_;
};
