// The campaign's stream: one opened through the exports on buffers with guard samples either
// side, fed by a programmable sample source.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tools/shared/plugin_library.h"
#include "tools/shared/settings_record.h"

struct StreamSettings {
    double level = 1.000015259254738;
    uint32_t centre = 1000;
    uint32_t bandwidth = 400;
};

// The host's sample source. It writes the whole requested block from its signal and returns
// what deliver() says, so a short delivery still leaves defined samples in the block.
struct SampleSource {
    std::vector<std::vector<float>> signal;
    size_t position = 0;
    std::function<uint32_t(uint32_t asked, size_t call)> deliver;
    std::function<void()> inside;
    size_t calls = 0;

    // What deliver or inside threw, caught in Supply: nothing unwinds through the plug-in's
    // frames. From then on Supply delivers nothing.
    std::exception_ptr failure;

    static uint32_t __cdecl Supply(uint32_t context, SampleBlock* block);
    // Throws again what Supply caught.
    void ThrowIfFailed();
};

class GuardedStream {
public:
    static constexpr int kGuard = 16;

    GuardedStream(const PluginLibrary& plugin, const StreamSettings& settings, uint32_t sampleRate, uint16_t channels,
                  size_t capacity);
    GuardedStream(const GuardedStream&) = delete;
    GuardedStream& operator=(const GuardedStream&) = delete;

    bool IsOpen() const { return record_ && record_->headNode; }
    SampleSource& Source() { return source_; }
    // One ProcessStream call over the first count samples of every buffer.
    uint32_t Process(int32_t count);
    const float* Output(uint16_t channel) const { return &buffers_[channel][kGuard]; }
    bool CanariesIntact() const;
    bool OutputFinite(int32_t count) const;
    EffectSettings* Record() const { return record_.Get(); }

private:
    const PluginLibrary& plugin_;
    SettingsRecord record_;
    SampleSource source_;
    std::vector<std::vector<float>> buffers_;
    std::vector<float*> pointers_;
    size_t capacity_;
};

std::vector<std::vector<float>> Noise(std::mt19937& random, uint16_t channels, size_t length);
// The output of a whole signal run through one stream in host blocks of at most 16384 samples.
std::vector<std::vector<float>> ProcessWhole(const PluginLibrary& plugin, const StreamSettings& settings, uint32_t sampleRate,
                                             const std::vector<std::vector<float>>& signal);
