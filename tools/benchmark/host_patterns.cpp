// ProcessStream as hosts call it, against the plain loop of the same filter and gain in the
// same run: small real-time blocks, buffers fresh for every block (an editor processing a
// clip), channels allocated apart or together, at even and odd offsets. Every side runs the
// same host loop with the same copying callback; that loop alone is timed too and subtracted,
// so the ratios are of the processing only. Outputs are compared bit for bit.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tools/benchmark/plain_loop.h"
#include "tools/benchmark/noise_source.h"
#include "tools/benchmark/plugin_stream.h"

namespace {

constexpr long kSamplesPerRun = 1L << 20;  // per channel
constexpr int kRounds = 5;
constexpr int kCheckedBlocks = 40;

// Where the host keeps its channels and which part of them each block covers.
enum class Layout { Reused, Fresh, Separate, Contiguous, OddOffsets };

struct Case {
    Layout layout;
    int channels;
    int32_t block;
    long length;  // of each separately allocated channel (Separate)
};

std::string Describe(const Case& c)
{
    switch (c.layout) {
    case Layout::Reused:
        return "reused buffers";
    case Layout::Fresh:
        return "fresh buffers each block";
    case Layout::Separate:
        return "channels of " + std::to_string(c.length) + ", in pieces";
    case Layout::Contiguous:
        return "one allocation, channels adjacent";
    case Layout::OddOffsets:
        return "one allocation, odd offsets";
    }
    return "";
}

// The host's buffers: Next() hands the channel pointers of the next block, allocating them
// first when the host allocates per block.
class HostBuffers {
public:
    explicit HostBuffers(const Case& c) : case_(c), pointers_(c.channels)
    {
        switch (c.layout) {
        case Layout::Reused:
        case Layout::Fresh:
            separate_.assign(c.channels, std::vector<float>(c.block));
            break;
        case Layout::Separate:
            separate_.assign(c.channels, std::vector<float>(c.length));
            break;
        case Layout::Contiguous:
            stride_ = c.block;
            together_.assign(static_cast<size_t>(stride_) * c.channels, 0.0f);
            break;
        case Layout::OddOffsets:
            stride_ = c.block + 3;
            together_.assign(static_cast<size_t>(stride_) * c.channels + 1, 0.0f);
            break;
        }
        Point();
    }

    SampleBlock Next()
    {
        if (case_.layout == Layout::Fresh) {
            // A new buffer for every channel, as an editor allocates one for every block.
            for (auto& buffer : separate_)
                std::vector<float>(case_.block).swap(buffer);
        } else if (case_.layout == Layout::Separate) {
            offset_ += case_.block;
            if (offset_ + case_.block > case_.length)
                offset_ = 0;
        }
        Point();
        float** begin = pointers_.data();
        return SampleBlock{0, begin, begin + pointers_.size(), begin + pointers_.size(), case_.block, 0, 0};
    }
    float* const* Pointers() const { return pointers_.data(); }

private:
    void Point()
    {
        // Odd offsets: the channels start one sample in and block + 3 samples apart, so no
        // two share an alignment in a row.
        const size_t first = case_.layout == Layout::OddOffsets ? 1 : 0;
        for (int k = 0; k < case_.channels; ++k)
            pointers_[k] = together_.empty() ? separate_[k].data() + offset_
                                             : together_.data() + first + static_cast<size_t>(k) * stride_;
    }

    Case case_;
    std::vector<std::vector<float>> separate_;
    std::vector<float> together_;
    long stride_ = 0;
    long offset_ = 0;
    std::vector<float*> pointers_;
};

// The plug-in and the plain loop over the same blocks, compared after every block.
bool OutputsIdentical(const PluginLibrary& plugin, const Case& c, const std::vector<float>& noise)
{
    NoiseSource streamSource{&noise}, plainSource{&noise};
    Stream stream(plugin, c.channels, kSampleRate, NoiseSource::Supply, &streamSource);
    PlainLoop plain(c.channels, kSampleRate, kCentre, kBandwidth, kLevel);
    HostBuffers streamBuffers(c), plainBuffers(c);
    for (int i = 0; i < kCheckedBlocks; ++i) {
        SampleBlock block = streamBuffers.Next();
        stream.Process(block);
        plainBuffers.Next();
        plainSource.Fill(plainBuffers.Pointers(), c.channels, c.block);
        plain.Process(plainBuffers.Pointers(), c.block);
        for (int k = 0; k < c.channels; ++k)
            if (std::memcmp(streamBuffers.Pointers()[k], plainBuffers.Pointers()[k], c.block * sizeof(float)) != 0)
                return false;
    }
    return true;
}

struct Figures {
    double host = 1e30, plugin = 1e30, plain = 1e30;  // seconds per run, the best of the rounds
    bool identical = false;
    double Ratio() const { return (plain - host) / (plugin - host); }
};

// The callback as the host's own loops call it: through a pointer, as ProcessStream does,
// not inlined into them.
StreamCallBack volatile supply = NoiseSource::Supply;

// The host loop alone, with the plug-in, and with the plain loop, in alternating rounds so
// that all three meet the same machine state.
Figures Measure(const PluginLibrary& plugin, const Case& c, const std::vector<float>& noise)
{
    Figures figures;
    figures.identical = OutputsIdentical(plugin, c, noise);
    const long blocks = kSamplesPerRun / c.block;
    for (int round = 0; round < kRounds; ++round) {
        {
            NoiseSource source{&noise};
            HostBuffers buffers(c);
            const double start = Now();
            for (long i = 0; i < blocks; ++i) {
                SampleBlock block = buffers.Next();
                supply(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&source)), &block);
            }
            figures.host = std::min(figures.host, Now() - start);
        }
        {
            NoiseSource source{&noise};
            HostBuffers buffers(c);
            Stream stream(plugin, c.channels, kSampleRate, NoiseSource::Supply, &source);
            const double start = Now();
            for (long i = 0; i < blocks; ++i) {
                SampleBlock block = buffers.Next();
                stream.Process(block);
            }
            figures.plugin = std::min(figures.plugin, Now() - start);
        }
        {
            NoiseSource source{&noise};
            HostBuffers buffers(c);
            PlainLoop plain(c.channels, kSampleRate, kCentre, kBandwidth, kLevel);
            const double start = Now();
            for (long i = 0; i < blocks; ++i) {
                SampleBlock block = buffers.Next();
                supply(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&source)), &block);
                plain.Process(block.channelsBegin, c.block);
            }
            figures.plain = std::min(figures.plain, Now() - start);
        }
    }
    return figures;
}

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    for (Layout layout : {Layout::Reused, Layout::Fresh})
        for (int channels : {1, 2, 6, 10})
            for (int32_t block : {32, 64, 256, 4096})
                cases.push_back(Case{layout, channels, block, 0});
    for (long length : {1000000L, 1048576L, 1500000L})
        for (int channels : {2, 4, 6, 10})
            cases.push_back(Case{Layout::Separate, channels, 4096, length});
    for (Layout layout : {Layout::Contiguous, Layout::OddOffsets})
        for (int channels : {1, 2, 6, 10})
            for (int32_t block : {64, 4096})
                cases.push_back(Case{layout, channels, block, 0});
    return cases;
}

}  // namespace

// Returns false when an output differed from the plain loop's.
bool RunHostPatternBenchmark()
{
    const PluginLibrary& plugin = LoadedPlugin();
    const std::vector<float> noise = MakeNoise(2);

    std::printf("ProcessStream as hosts call it, against the plain loop, the host's own work subtracted; "
                "ns per sample and channel\n");
    std::printf("%-36s %8s %6s %8s %8s %8s %6s  %s\n", "host buffers", "channels", "block", "host", "plug-in",
                "plain", "ratio", "output");
    bool allIdentical = true;
    for (const Case& c : Cases()) {
        const Figures f = Measure(plugin, c, noise);
        const double samples = static_cast<double>(kSamplesPerRun / c.block * c.block) * c.channels;  // NOLINT(bugprone-integer-division): whole blocks
        std::printf("%-36s %8d %6d %8.3f %8.3f %8.3f %6.2f  %s\n", Describe(c).c_str(), c.channels,
                    static_cast<int>(c.block), f.host / samples * 1e9, (f.plugin - f.host) / samples * 1e9,
                    (f.plain - f.host) / samples * 1e9, f.Ratio(), f.identical ? "bit-identical" : "DIFFERENT");
        std::fflush(stdout);
        allIdentical = allIdentical && f.identical;
    }
    return allIdentical;
}
