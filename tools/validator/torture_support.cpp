#include "torture_support.h"

#include <shlwapi.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "child_process.h"
#include "find_handle.h"

namespace {
constexpr uint32_t kCanaryBits = 0x7FBADBADu;  // a NaN payload no arithmetic produces

float Canary()
{
    float value;
    std::memcpy(&value, &kCanaryBits, sizeof value);
    return value;
}

bool IsCanary(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == kCanaryBits;
}
}  // namespace

uint32_t __cdecl SampleSource::Supply(uint32_t context, SampleBlock* block)
{
    auto* self = reinterpret_cast<SampleSource*>(static_cast<uintptr_t>(context));
    const uint32_t asked = block->sampleCount > 0 ? static_cast<uint32_t>(block->sampleCount) : 0;
    const int channels = ChannelsIn(*block);
    for (int k = 0; k < channels; ++k) {
        const auto& signal = self->signal[k];
        for (uint32_t j = 0; j < asked; ++j) {
            const size_t at = self->position + j;
            block->channelsBegin[k][j] = at < signal.size() ? signal[at] : 0.0f;
        }
    }
    self->position += asked;
    if (self->inside)
        self->inside();
    const size_t call = self->calls++;
    return self->deliver ? self->deliver(asked, call) : asked;
}

TortureStream::TortureStream(const Plugin& plugin, const StreamSettings& settings, uint32_t sampleRate,
                             uint16_t channels, size_t capacity)
    : plugin_(plugin), capacity_(capacity)
{
    EffectSettings host{};
    host.dryOut = host.volume2 = settings.level;
    host.cutOffFreq = settings.centre;
    host.bandWidth = settings.bandwidth;
    if (!PLUGIN_EXPORT(plugin, CopySettings)(&record_, &host) || !record_)
        throw HostError("CopySettings failed");
    PLUGIN_EXPORT(plugin, SetStreamCallBack)(SampleSource::Supply,
                                              static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&source_)), record_);
    WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, channels, sampleRate, sampleRate * 4u * channels,
                        static_cast<WORD>(4 * channels), 32, 0};
    PLUGIN_EXPORT(plugin, OpenStream)(record_, &format);
    buffers_.assign(channels, std::vector<float>(capacity + 2 * kGuard, Canary()));
    for (auto& buffer : buffers_)
        pointers_.push_back(&buffer[kGuard]);
}

TortureStream::~TortureStream()
{
    if (record_)
        PLUGIN_EXPORT(plugin_, Free)(record_);
}

uint32_t TortureStream::Process(int32_t count)
{
    SampleBlock block{0, pointers_.data(), pointers_.data() + pointers_.size(), pointers_.data() + pointers_.size(),
                      count, 0, 0};
    return PLUGIN_EXPORT(plugin_, ProcessStream)(&block, record_);
}

bool TortureStream::CanariesIntact() const
{
    for (const auto& buffer : buffers_)
        for (int g = 0; g < kGuard; ++g)
            if (!IsCanary(buffer[g]) || !IsCanary(buffer[kGuard + capacity_ + g]))
                return false;
    return true;
}

bool TortureStream::OutputFinite(int32_t count) const
{
    for (const auto& buffer : buffers_)
        for (int32_t j = 0; j < count; ++j)
            if (!std::isfinite(buffer[kGuard + j]))
                return false;
    return true;
}

std::vector<std::vector<float>> Noise(std::mt19937& random, uint16_t channels, size_t length)
{
    std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
    std::vector<std::vector<float>> signal(channels, std::vector<float>(length));
    for (auto& channel : signal)
        for (float& sample : channel)
            sample = amplitude(random);
    return signal;
}

std::vector<std::vector<float>> ProcessWhole(const Plugin& plugin, const StreamSettings& settings, uint32_t sampleRate,
                                             const std::vector<std::vector<float>>& signal)
{
    const uint16_t channels = static_cast<uint16_t>(signal.size());
    const size_t length = signal.empty() ? 0 : signal[0].size();
    TortureStream stream(plugin, settings, sampleRate, channels, length);
    stream.Source().signal = signal;
    stream.Process(static_cast<int32_t>(length));
    std::vector<std::vector<float>> output(channels);
    for (uint16_t k = 0; k < channels; ++k)
        output[k].assign(stream.Output(k), stream.Output(k) + length);
    return output;
}

DWORD LiveGdiObjects()
{
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted)
        return counted;
    DWORD live = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index)
        live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return live;
}

namespace {
BOOL CALLBACK CountWindow(HWND window, LPARAM count)
{
    ++*reinterpret_cast<DWORD*>(count);
    EnumChildWindows(window, CountWindow, count);
    return TRUE;
}
}  // namespace

DWORD ThreadWindows()
{
    DWORD count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

ResourceCounts ResourceCounts::Now()
{
    ResourceCounts counts;
    HANDLE heaps[64];
    const DWORD heapCount = GetProcessHeaps(64, heaps);
    for (DWORD h = 0; h < heapCount && h < 64; ++h) {
        if (!HeapLock(heaps[h]))
            continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[h], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                counts.heapBytes += entry.cbData;
                ++counts.heapBlocks;
            }
        }
        HeapUnlock(heaps[h]);
    }
    GetProcessHandleCount(GetCurrentProcess(), &counts.handles);
    counts.gdiObjects = LiveGdiObjects();
    counts.windows = ThreadWindows();
    return counts;
}

std::string ResourceCounts::Growth(const ResourceCounts& later) const
{
    auto diff = [](uint64_t before, uint64_t after) { return std::to_string(static_cast<int64_t>(after - before)); };
    return "heap " + diff(heapBytes, later.heapBytes) + " bytes in " + diff(heapBlocks, later.heapBlocks) +
           " blocks, handles " + diff(handles, later.handles) + ", GDI objects " + diff(gdiObjects, later.gdiObjects) +
           ", windows " + diff(windows, later.windows);
}

bool ResourceCounts::NoGrowth(const ResourceCounts& later) const
{
    return later.heapBlocks <= heapBlocks + 16 && later.heapBytes <= heapBytes + uint64_t{64} * 1024 &&
           later.handles <= handles + 2 && later.gdiObjects <= gdiObjects && later.windows <= windows;
}

namespace {
const char kScratchKeyParent[] = "Software\\BandRejectTorture";
}  // namespace

ScratchKey::ScratchKey(const std::string& name)
    : path_(std::string(kScratchKeyParent) + "\\" + name + "-" + std::to_string(GetCurrentProcessId()))
{
}

ScratchKey::~ScratchKey()
{
    SHDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
    // Fails, as it should, while another campaign's key is still in it.
    RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKeyParent);
}

namespace {
std::string ScratchRoot()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "bandreject-torture-" + std::to_string(GetCurrentProcessId()) + "\\";
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    {  // the search ends before its folder goes
        FindHandle search(FindFirstFileA((folder + "*").c_str(), &entry));
        if (search) {
            do {
                const std::string name = entry.cFileName;
                if (name == "." || name == "..")
                    continue;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(folder + name + "\\");
                else
                    DeleteFileA((folder + name).c_str());
            } while (FindNextFileA(search, &entry));
        }
    }
    RemoveDirectoryA(folder.c_str());
}
}  // namespace

std::string ScratchFolder(const std::string& name)
{
    const std::string root = ScratchRoot();
    CreateDirectoryA(root.c_str(), nullptr);
    std::string folder = root + name + "\\";
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void RemoveScratchFolders() { RemoveTree(ScratchRoot()); }

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

ChildRun RunSelf(const std::string& arguments, const std::string& folder, DWORD timeLimitMs)
{
    const std::string outputPath = folder + "child-output.txt";
    ChildRun run;
    const ChildExit exit =
        RunChild("\"" + ProgramPath() + "\" " + arguments, folder, outputPath, timeLimitMs);
    run.finished = exit.finished;
    run.exitCode = exit.exitCode;
    run.milliseconds = exit.milliseconds;
    run.output = ReadBytes(outputPath);
    run.values = NameValueLines(run.output);
    return run;
}
