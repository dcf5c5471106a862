// Throughput of ProcessStream through the real exports, in Msamples/s per channel, at 44100 Hz
// with 4096-sample host blocks. Figures are comparable only within one run on one machine.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "host/plugin_api.h"
#include "platform/handles.h"

namespace {

constexpr uint32_t kSampleRate = 44100;
constexpr int32_t kHostBlock = 4096;
constexpr int kBlocksPerRun = 2000;

struct Plugin {
    ModuleHandle module;
    decltype(&::CopySettings) copySettings;
    decltype(&::Free) free;
    decltype(&::SetStreamCallBack) setStreamCallBack;
    decltype(&::OpenStream) openStream;
    decltype(&::ProcessStream) processStream;
    decltype(&::CloseStream) closeStream;
};

template <typename Function>
void Resolve(HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!function) {
        std::fprintf(stderr, "benchmark: BandReject.dll does not export %s\n", name);
        std::exit(1);
    }
}

bool LoadPlugin(Plugin& plugin)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder = folder.substr(0, folder.find_last_of("\\/") + 1);
    plugin.module.Attach(LoadLibraryA((folder + "BandReject.dll").c_str()));
    if (!plugin.module)
        return false;
    Resolve(plugin.module, "CopySettings", plugin.copySettings);
    Resolve(plugin.module, "Free", plugin.free);
    Resolve(plugin.module, "SetStreamCallBack", plugin.setStreamCallBack);
    Resolve(plugin.module, "OpenStream", plugin.openStream);
    Resolve(plugin.module, "ProcessStream", plugin.processStream);
    Resolve(plugin.module, "CloseStream", plugin.closeStream);
    return true;
}

// The host's side: fresh noise copied into the block, as a host decoding a file would.
struct NoiseSource {
    std::vector<float> noise;
    static uint32_t __cdecl Supply(uint32_t context, SampleBlock* block)
    {
        auto* self = reinterpret_cast<NoiseSource*>(static_cast<uintptr_t>(context));
        for (float** channel = block->channelsBegin; channel != block->channelsEnd; ++channel)
            std::memcpy(*channel, self->noise.data(), block->sampleCount * sizeof(float));
        return static_cast<uint32_t>(block->sampleCount);
    }
};

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

double MeasureProcessStream(const Plugin& plugin, uint16_t channels, NoiseSource& source)
{
    EffectSettings settings{};
    settings.dryOut = settings.volume2 = 1.000015259254738;
    settings.cutOffFreq = 1000;
    settings.bandWidth = 400;
    EffectSettings* stream = nullptr;
    plugin.copySettings(&stream, &settings);
    plugin.setStreamCallBack(NoiseSource::Supply, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&source)), stream);
    WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, channels, kSampleRate, kSampleRate * 4u * channels,
                        static_cast<WORD>(4 * channels), 32, 0};
    plugin.openStream(stream, &format);

    std::vector<std::vector<float>> buffers(channels, std::vector<float>(kHostBlock));
    std::vector<float*> pointers;
    for (auto& buffer : buffers)
        pointers.push_back(buffer.data());
    SampleBlock block{0, pointers.data(), pointers.data() + channels, pointers.data() + channels, kHostBlock, 0, 0};

    for (int i = 0; i < kBlocksPerRun / 10; ++i)
        plugin.processStream(&block, stream);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kBlocksPerRun; ++i)
        plugin.processStream(&block, stream);
    QueryPerformanceCounter(&end);
    plugin.closeStream(stream);
    plugin.free(stream);
    return static_cast<double>(kBlocksPerRun) * kHostBlock / Seconds(start, end) / 1e6;
}

}  // namespace

int main()
{
    Plugin plugin;
    if (!LoadPlugin(plugin)) {
        std::fprintf(stderr, "benchmark: cannot load BandReject.dll\n");
        return 1;
    }
    NoiseSource source;
    std::mt19937 random(1);
    std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
    source.noise.resize(kHostBlock);
    for (float& sample : source.noise)
        sample = amplitude(random);

    std::printf("ProcessStream, %u Hz, %d-sample host blocks\n", kSampleRate, kHostBlock);
    std::printf("%9s %22s\n", "channels", "Msamples/s per channel");
    for (uint16_t channels : {1, 2, 6}) {
        const double rate = MeasureProcessStream(plugin, channels, source);
        std::printf("%9u %22.1f\n", channels, rate);
    }
    return 0;
}
