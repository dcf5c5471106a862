// Throughput of ProcessStream through the real exports against a plain reference loop over the
// same data in the same run, in Msamples/s per channel, at 44100 Hz with 4096-sample host
// blocks, and a bit-for-bit comparison of the two outputs. Figures are comparable only within
// one run on one machine; the ratio is what counts.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dsp/gain_pass.h"
#include "tools/benchmark/noise_source.h"
#include "tools/benchmark/plugin_stream.h"
#include "tools/benchmark/plain_loop.h"

namespace {

constexpr int32_t kHostBlock = 4096;
constexpr int kBlocksPerRun = 1000;
constexpr int kRounds = 9;
constexpr int kCheckedBlocks = 300;

// The filter and the level written out once, independently of the library.
struct ReferenceLoop : PlainLoop {
    explicit ReferenceLoop(int channels) : PlainLoop(channels, kSampleRate, kCentre, kBandwidth, kLevel) {}
};

class HostBuffers {
public:
    explicit HostBuffers(int channels) : data_(channels, std::vector<float>(kHostBlock))
    {
        for (auto& buffer : data_)
            pointers_.push_back(buffer.data());
    }
    float* const* Pointers() { return pointers_.data(); }
    SampleBlock Block()
    {
        float** begin = pointers_.data();
        float** end = begin + pointers_.size();
        return SampleBlock{0, begin, end, end, kHostBlock, 0, 0};
    }
    bool operator==(const HostBuffers& other) const { return data_ == other.data_; }

private:
    std::vector<std::vector<float>> data_;
    std::vector<float*> pointers_;
};

double Rate(double seconds)
{
    return static_cast<double>(kBlocksPerRun) * kHostBlock / seconds / 1e6;
}

// Both sides over the same blocks, compared after every block.
bool OutputsIdentical(const PluginLibrary& plugin, uint16_t channels, const std::vector<float>& noise)
{
    NoiseSource streamSource{&noise}, referenceSource{&noise};
    Stream stream(plugin, channels, kSampleRate, NoiseSource::Supply, &streamSource);
    ReferenceLoop reference(channels);
    HostBuffers streamBuffers(channels), referenceBuffers(channels);
    SampleBlock block = streamBuffers.Block();
    for (int i = 0; i < kCheckedBlocks; ++i) {
        stream.Process(block);
        referenceSource.Fill(referenceBuffers.Pointers(), channels, kHostBlock);
        reference.Process(referenceBuffers.Pointers(), kHostBlock);
        if (!(streamBuffers == referenceBuffers))
            return false;
    }
    return true;
}

struct Figures {
    double stream = 0.0;
    double reference = 0.0;
    bool identical = true;
};

// The best of several alternating rounds of each, so both meet the same machine state.
Figures Measure(const PluginLibrary& plugin, uint16_t channels, const std::vector<float>& noise)
{
    Figures figures;
    figures.identical = OutputsIdentical(plugin, channels, noise);
    for (int round = 0; round < kRounds; ++round) {
        NoiseSource streamSource{&noise}, referenceSource{&noise};
        HostBuffers streamBuffers(channels), referenceBuffers(channels);
        {
            Stream stream(plugin, channels, kSampleRate, NoiseSource::Supply, &streamSource);
            SampleBlock block = streamBuffers.Block();
            const double start = Now();
            for (int i = 0; i < kBlocksPerRun; ++i)
                stream.Process(block);
            figures.stream = std::max(figures.stream, Rate(Now() - start));
        }
        ReferenceLoop reference(channels);
        const double start = Now();
        for (int i = 0; i < kBlocksPerRun; ++i) {
            referenceSource.Fill(referenceBuffers.Pointers(), channels, kHostBlock);
            reference.Process(referenceBuffers.Pointers(), kHostBlock);
        }
        figures.reference = std::max(figures.reference, Rate(Now() - start));
        figures.identical = figures.identical && streamBuffers == referenceBuffers;
    }
    return figures;
}

// The host's side of the silence run: an impulse on every channel, then either nothing but
// zeros or the noise.
struct ImpulseSource {
    NoiseSource noise;  // noise.noise null: silence
    bool impulseSent = false;

    static uint32_t __cdecl Supply(uint32_t context, SampleBlock* block)
    {
        auto* self = reinterpret_cast<ImpulseSource*>(static_cast<uintptr_t>(context));
        const int channels = ChannelsIn(*block);
        if (self->noise.noise)
            self->noise.Fill(block->channelsBegin, channels, block->sampleCount);
        else
            for (int k = 0; k < channels; ++k)
                std::memset(block->channelsBegin[k], 0, block->sampleCount * sizeof(float));
        if (!self->impulseSent)
            for (int k = 0; k < channels; ++k)
                block->channelsBegin[k][0] = 1.0f;
        self->impulseSent = true;
        return static_cast<uint32_t>(block->sampleCount);
    }
};

struct SilenceFigures {
    double silentBlock = 1e30;  // seconds
    double noiseBlock = 1e30;
    long subnormalOutputs = 0;
};

// 20 s of 2-channel blocks after an impulse, silent and then noisy: the mean cost of a block,
// the best of three runs each, and any subnormal output sample.
SilenceFigures MeasureSilence(const PluginLibrary& plugin, uint32_t rate, const std::vector<float>& noise)
{
    constexpr uint16_t kChannels = 2;
    const long blocks = (20L * rate + kHostBlock - 1) / kHostBlock;
    SilenceFigures figures;
    for (int run = 0; run < 6; ++run) {
        const bool silent = run % 2 == 0;
        ImpulseSource source{NoiseSource{silent ? nullptr : &noise}};
        Stream stream(plugin, kChannels, rate, ImpulseSource::Supply, &source);
        HostBuffers buffers(kChannels);
        SampleBlock block = buffers.Block();
        double total = 0.0;
        for (long i = 0; i < blocks; ++i) {
            const double start = Now();
            stream.Process(block);
            total += Now() - start;
            for (int k = 0; k < kChannels; ++k)
                for (int32_t j = 0; j < kHostBlock; ++j)
                    figures.subnormalOutputs += std::fpclassify(buffers.Pointers()[k][j]) == FP_SUBNORMAL;
        }
        double& figure = silent ? figures.silentBlock : figures.noiseBlock;
        figure = std::min(figure, total / blocks);
    }
    return figures;
}

// The gain pass against copying the same samples, in the caches (one 10-channel host block)
// and beyond them.
void ReportGainPass()
{
    std::printf("gain pass against copying the same samples, ns/sample\n");
    for (size_t count : {size_t{10} * kHostBlock, size_t{1} << 24}) {
        std::vector<float> samples(count, 0.25f), copy(count);
        double gain = 1e30, copying = 1e30;
        const int repeats = count > (1u << 20) ? 3 : 300;
        for (int round = 0; round < kRounds; ++round) {
            double start = Now();
            for (int n = 0; n < repeats; ++n)
                ScaleSamples(kLevel, samples.data(), static_cast<int>(count));
            gain = std::min(gain, (Now() - start) / repeats);
            start = Now();
            for (int n = 0; n < repeats; ++n)
                std::memcpy(copy.data(), samples.data(), count * sizeof(float));
            copying = std::min(copying, (Now() - start) / repeats);
        }
        std::printf("%10zu samples: gain %.3f, copy %.3f\n", count, gain / count * 1e9, copying / count * 1e9);
    }
}

}  // namespace

// The settings window's response computation and graph paint (response_benchmark.cpp).
void RunResponseBenchmark();
// ProcessStream as hosts call it (host_patterns.cpp); false when an output differed.
bool RunHostPatternBenchmark();

int main()
{
    const PluginLibrary& plugin = LoadedPlugin();
    const std::vector<float> noise = MakeNoise(1);

    std::printf("ProcessStream against the reference loop, %u Hz, %d-sample host blocks, Msamples/s per channel\n",
                kSampleRate, kHostBlock);
    std::printf("%8s %14s %10s %6s  %s\n", "channels", "ProcessStream", "reference", "ratio", "output");
    bool allIdentical = true;
    for (uint16_t channels : {1, 2, 6, 10}) {
        const Figures figures = Measure(plugin, channels, noise);
        std::printf("%8u %14.1f %10.1f %6.2f  %s\n", channels, figures.stream, figures.reference,
                    figures.stream / figures.reference, figures.identical ? "bit-identical" : "DIFFERENT");
        std::fflush(stdout);
        allIdentical = allIdentical && figures.identical;
    }
    if (!allIdentical) {
        std::fprintf(stderr, "benchmark: FAILED: ProcessStream's output differs from the reference loop's\n");
        return 1;
    }
    if (!RunHostPatternBenchmark()) {
        std::fprintf(stderr, "benchmark: FAILED: ProcessStream's output differs from the plain loop's\n");
        return 1;
    }
    ReportGainPass();

    std::printf("silence after an impulse for 20 s, 2 channels, against noise: mean block cost\n");
    bool anySubnormal = false;
    for (uint32_t rate : {44100u, 384000u}) {
        const SilenceFigures figures = MeasureSilence(plugin, rate, noise);
        std::printf("%7u Hz: silent %.1f us, noise %.1f us, ratio %.2f, subnormal outputs %ld\n", rate,
                    figures.silentBlock * 1e6, figures.noiseBlock * 1e6, figures.silentBlock / figures.noiseBlock,
                    figures.subnormalOutputs);
        std::fflush(stdout);
        anySubnormal = anySubnormal || figures.subnormalOutputs != 0;
    }
    if (anySubnormal) {
        std::fprintf(stderr, "benchmark: FAILED: ProcessStream put out subnormal samples\n");
        return 1;
    }
    RunResponseBenchmark();
    return 0;
}
