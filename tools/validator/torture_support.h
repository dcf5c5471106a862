// What the torture checks share: a stream opened through the exports on guarded buffers, a
// programmable sample source, and counts of the process's heap, handles and GDI objects.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "plugin.h"

struct StreamSettings {
    double level = 1.000015259254738;
    uint32_t centre = 1000;
    uint32_t bandwidth = 400;
};

// The host's sample source. It writes the whole requested block from its signal and returns
// what deliver() says, so a short delivery still leaves defined samples in the block. A deliver
// or inside that throws does not unwind through the plug-in: the source delivers nothing from
// then on and failed is set.
struct SampleSource {
    std::vector<std::vector<float>> signal;
    size_t position = 0;
    std::function<uint32_t(uint32_t asked, size_t call)> deliver;
    std::function<void()> inside;
    size_t calls = 0;
    bool failed = false;

    static uint32_t __cdecl Supply(uint32_t context, SampleBlock* block);
};

class TortureStream {
public:
    static constexpr int kGuard = 16;

    TortureStream(const Plugin& plugin, const StreamSettings& settings, uint32_t sampleRate, uint16_t channels,
                  size_t capacity);
    ~TortureStream();
    TortureStream(const TortureStream&) = delete;
    TortureStream& operator=(const TortureStream&) = delete;

    bool IsOpen() const { return record_ && record_->headNode; }
    SampleSource& Source() { return source_; }
    // One ProcessStream call over the first count samples of every buffer. Throws HostError,
    // once the plug-in has returned, when the source failed inside it.
    uint32_t Process(int32_t count);
    const float* Output(uint16_t channel) const { return &buffers_[channel][kGuard]; }
    bool CanariesIntact() const;
    bool OutputFinite(int32_t count) const;
    EffectSettings* Record() const { return record_; }

private:
    const Plugin& plugin_;
    EffectSettings* record_ = nullptr;
    SampleSource source_;
    std::vector<std::vector<float>> buffers_;
    std::vector<float*> pointers_;
    size_t capacity_;
};

std::vector<std::vector<float>> Noise(std::mt19937& random, uint16_t channels, size_t length);
// The output of a whole signal run through one stream in host blocks of at most 16384 samples.
std::vector<std::vector<float>> ProcessWhole(const Plugin& plugin, const StreamSettings& settings, uint32_t sampleRate,
                                             const std::vector<std::vector<float>>& signal);

// Live GDI objects of the process: GetGuiResources where the system keeps the count, otherwise
// the entries of the handle table that still name an object.
DWORD LiveGdiObjects();
// Windows owned by the calling thread, children included.
DWORD ThreadWindows();
// Delivers everything queued for the calling thread.
void PumpMessages();

struct ResourceCounts {
    uint64_t heapBytes = 0;
    uint64_t heapBlocks = 0;
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    DWORD windows = 0;

    static ResourceCounts Now();
    std::string Growth(const ResourceCounts& later) const;
    // True when later holds no more than a small, bounded slack (allocator caches) beyond this.
    bool NoGrowth(const ResourceCounts& later) const;
};

// A fresh empty folder for one check, with a trailing backslash, in this process's folder under
// the system's temporary folder; RemoveScratchFolders deletes them all.
std::string ScratchFolder(const std::string& name);
void RemoveScratchFolders();
// A registry key of this process under HKCU\Software\BandRejectTorture, deleted with its
// subkeys when the owner goes, and the parent with it once no other campaign uses it.
class ScratchKey {
public:
    explicit ScratchKey(const std::string& name);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

// This program run again with the arguments, in folder, as a host process of its own.
struct ChildRun {
    bool finished = false;  // false: still running after the time limit, and ended
    DWORD exitCode = 0;
    DWORD milliseconds = 0;
    std::string output;
    std::map<std::string, std::string> values;  // its "name=value" lines
};
ChildRun RunSelf(const std::string& arguments, const std::string& folder, DWORD timeLimitMs);
