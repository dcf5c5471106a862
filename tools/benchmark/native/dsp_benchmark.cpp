// The benchmark's DSP ratios built for this machine: the chain that ProcessStream runs (the
// library's own dsp/ code, linked in) against the plain per-sample loop, over the same noise,
// for 1, 2, 6 and 10 channels in small and large blocks, with a bit-for-bit comparison of the
// two outputs. It times x86-64 code from the machine's clang, not the shipped 32-bit DLL: a
// change to the fast path can be measured before and after on one machine, and only the ratio
// is meant to carry over.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "dsp/audio_format.h"
#include "dsp/chain.h"
#include "host/records.h"
#include "tools/benchmark/plain_loop.h"

namespace {
// The settings of the benchmark's streams (plugin_stream.h).
constexpr uint32_t kSampleRate = 44100;
constexpr uint32_t kCentre = 1000;
constexpr uint32_t kBandwidth = 400;
constexpr double kLevel = 1.000015259254738;
constexpr int64_t kSamplesPerRun = 1 << 22;  // per channel
constexpr int kRounds = 7;

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Each block and channel starts elsewhere in one stretch of noise, as in the benchmark.
class Noise {
public:
    Noise() : samples_(1 << 16)
    {
        std::mt19937 random(1);
        std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
        for (float& sample : samples_)
            sample = amplitude(random);
    }
    void Fill(std::vector<std::vector<float>>& channels, int32_t count, uint32_t blockIndex) const
    {
        for (size_t k = 0; k < channels.size(); ++k) {
            const uint32_t start = (blockIndex * 7919u + static_cast<uint32_t>(k) * 1031u) % (samples_.size() - count);
            std::memcpy(channels[k].data(), samples_.data() + start, count * sizeof(float));
        }
    }

private:
    std::vector<float> samples_;
};

// A stream's record with its chain prepared, as OpenStream leaves it.
class ChainStream {
public:
    explicit ChainStream(uint16_t channels)
    {
        record_.dryOut = record_.volume2 = kLevel;
        record_.cutOffFreq = kCentre;
        record_.bandWidth = kBandwidth;
        BuildChain(&record_);
        const AudioFormat format{3, channels, kSampleRate, kSampleRate * 4 * channels,
                                 static_cast<uint16_t>(4 * channels), 32, 0};
        PrepareChain(record_, record_, &format);
    }
    ~ChainStream() { ReleaseChain(&record_); }
    ChainStream(const ChainStream&) = delete;
    ChainStream& operator=(const ChainStream&) = delete;

    void Process(std::vector<float*>& pointers, int32_t count)
    {
        float** end = pointers.data() + pointers.size();
        const SampleBlock block{0, pointers.data(), end, end, count, 0, 0};
        RunChain(record_, block);
    }

private:
    EffectSettings record_{};
};

struct Buffers {
    Buffers(int channels, int32_t block) : data(channels, std::vector<float>(block))
    {
        for (auto& channel : data)
            pointers.push_back(channel.data());
    }
    std::vector<std::vector<float>> data;
    std::vector<float*> pointers;
};

struct Figures {
    double chain = 0.0, plain = 0.0;  // Msamples/s per channel, the best round
    bool identical = true;
};

Figures Measure(const Noise& noise, uint16_t channels, int32_t block)
{
    Figures figures;
    const int64_t blocks = kSamplesPerRun / block;
    for (int round = 0; round < kRounds; ++round) {
        ChainStream chain(channels);
        PlainLoop plain(channels, kSampleRate, kCentre, kBandwidth, kLevel);
        Buffers chainBuffers(channels, block), plainBuffers(channels, block);
        double start = Now();
        for (int64_t i = 0; i < blocks; ++i) {
            noise.Fill(chainBuffers.data, block, static_cast<uint32_t>(i));
            chain.Process(chainBuffers.pointers, block);
        }
        figures.chain = std::max(figures.chain, blocks * block / (Now() - start) / 1e6);
        start = Now();
        for (int64_t i = 0; i < blocks; ++i) {
            noise.Fill(plainBuffers.data, block, static_cast<uint32_t>(i));
            plain.Process(plainBuffers.pointers.data(), block);
        }
        figures.plain = std::max(figures.plain, blocks * block / (Now() - start) / 1e6);
        figures.identical = figures.identical && chainBuffers.data == plainBuffers.data;
    }
    return figures;
}
}  // namespace

int main()
{
    std::printf("NATIVE x86-64 build (this machine's clang), NOT the shipped 32-bit DLL: only the ratios compare.\n");
    std::printf("The chain ProcessStream runs against the plain loop, %u Hz, Msamples/s per channel\n", kSampleRate);
    std::printf("%8s %6s %10s %10s %6s  %s\n", "channels", "block", "chain", "plain", "ratio", "output");
    const Noise noise;
    bool identical = true;
    for (const int32_t block : {64, 4096})
        for (const uint16_t channels : {1, 2, 6, 10}) {
            const Figures figures = Measure(noise, channels, block);
            std::printf("%8u %6d %10.1f %10.1f %6.2f  %s\n", channels, block, figures.chain, figures.plain,
                        figures.chain / figures.plain, figures.identical ? "identical" : "DIFFERS");
            identical = identical && figures.identical;
        }
    if (!identical) {
        std::fprintf(stderr, "native benchmark: FAILED: the chain's output differs from the plain loop's\n");
        return 1;
    }
    return 0;
}
