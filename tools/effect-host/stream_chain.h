// Instances of the plug-in run one after another, as a host runs an effect rack: every stage
// has a stream record of its own, and the last stage's ProcessStream pulls through its callback
// from the stage before, down to the first, whose callback reads the input. No exception
// crosses the plug-in: a callback that fails keeps what went wrong, delivers nothing more, and
// Process reports it once ProcessStream has returned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/shared/plugin_library.h"
#include "tools/shared/settings_record.h"

constexpr size_t kMaxChainStages = 64;

// A stage's settings; a harmonic of --hum is left out of a file whose half sample rate it
// reaches.
struct ChainStage {
    SettingsRecord settings;
    bool humHarmonic = false;
};

// Reads up to frames frames of input into per-channel buffers and returns how many it read;
// fewer than asked ends the input. It may throw.
using FrameSource = std::function<uint32_t(float* const* channels, uint32_t frames)>;

// One stream record per stage, copied from its settings: what one worker runs files through.
class StreamChain {
public:
    // Throws HostError when the plug-in cannot make a record.
    StreamChain(const PluginLibrary& plugin, const std::vector<ChainStage>& stages);

    // The stages that apply at sampleRate, in order.
    std::vector<size_t> StagesFor(uint32_t sampleRate) const;
    size_t Size() const { return records_.size(); }
    const EffectSettings& Settings(size_t stage) const { return *records_[stage].Get(); }
    bool HumHarmonic(size_t stage) const { return humHarmonic_[stage]; }

private:
    friend class ChainRun;
    const PluginLibrary& plugin_;
    std::vector<SettingsRecord> records_;
    std::vector<bool> humHarmonic_;
};

// The given stages of a chain opened for one input's format, closed again when it ends.
class ChainRun {
public:
    // Throws HostError when a stage's stream cannot be opened; stages must not be empty.
    ChainRun(const StreamChain& chain, const std::vector<size_t>& stages, const WAVEFORMATEX& format,
             FrameSource source);
    ~ChainRun();
    ChainRun(const ChainRun&) = delete;
    ChainRun& operator=(const ChainRun&) = delete;

    // block->sampleCount frames through every stage: the count the last stage processed.
    // Throws HostError with what a callback met.
    uint32_t Process(SampleBlock& block);
    uint64_t FramesRead() const { return framesRead_; }
    bool InputEnded() const { return inputEnded_; }

private:
    // What a stage's callback is handed as its context: the stage it pulls from is the one
    // before it, or the input for the first.
    struct Link {
        ChainRun* run;
        size_t position;
    };
    static uint32_t __cdecl PullFromInput(uint32_t context, SampleBlock* block);
    static uint32_t __cdecl PullFromStage(uint32_t context, SampleBlock* block);
    template <typename Fetch>
    uint32_t Deliver(SampleBlock& block, Fetch fetch) noexcept;
    void Fail(const char* what) noexcept;

    decltype(&::ProcessStream) processStream_;
    decltype(&::CloseStream) closeStream_;
    std::vector<EffectSettings*> open_;
    std::vector<Link> links_;
    FrameSource source_;
    uint64_t framesRead_ = 0;
    bool inputEnded_ = false;
    bool failed_ = false;
    char failure_[256] = {};  // filled without allocating, inside the plug-in's call
};
