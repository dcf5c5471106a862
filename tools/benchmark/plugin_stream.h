// The benchmarks' side of the plug-in: its stream exports looked up once through the shared
// loader, a stream opened with the benchmarks' settings, and the clock that times them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "host/plugin_api.h"
#include "tools/shared/plugin_loader.h"

constexpr uint32_t kSampleRate = 44100;
constexpr uint32_t kCentre = 1000;
constexpr uint32_t kBandwidth = 400;
constexpr double kLevel = 1.000015259254738;

// The exports the benchmarks call, looked up once so that no lookup is timed.
struct Exports {
    Plugin library;  // the BandReject.dll beside the benchmark
    decltype(&::CopySettings) copySettings = PLUGIN_EXPORT(library, CopySettings);
    decltype(&::Free) free = PLUGIN_EXPORT(library, Free);
    decltype(&::SetStreamCallBack) setStreamCallBack = PLUGIN_EXPORT(library, SetStreamCallBack);
    decltype(&::OpenStream) openStream = PLUGIN_EXPORT(library, OpenStream);
    decltype(&::ProcessStream) processStream = PLUGIN_EXPORT(library, ProcessStream);
    decltype(&::CloseStream) closeStream = PLUGIN_EXPORT(library, CloseStream);
};

// Seconds on the performance counter.
double Now();

// Ends the program when the plug-in cannot be loaded or lacks an export.
const Exports& LoadedPlugin();

// An open stream of the plug-in at the benchmarks' centre, bandwidth and level, supplied by
// supply with source as its context.
class Stream {
public:
    Stream(const Exports& plugin, int channels, uint32_t rate, StreamCallBack supply, const void* source);
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    void Process(SampleBlock& block) { plugin_.processStream(&block, stream_); }

private:
    const Exports& plugin_;
    EffectSettings* stream_ = nullptr;
};
