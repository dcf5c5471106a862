// Streams through the loaded DLL at the edges of the numbers: silence after an impulse, and
// settings records holding values no settings window writes.
#include <gtest/gtest.h>

#include <float.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "tools/shared/plugin_library.h"
#include "tests/support/reference_filter.h"

namespace {

// The host's source: an impulse on every channel at the first sample, then zeros; or noise.
struct Source {
    bool noise = false;
    std::mt19937 random{99};
    long delivered = 0;
    static uint32_t __cdecl Supply(uint32_t context, SampleBlock* block)
    {
        auto* self = reinterpret_cast<Source*>(static_cast<uintptr_t>(context));
        std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
        for (float** channel = block->channelsBegin; channel != block->channelsEnd; ++channel)
            for (int32_t j = 0; j < block->sampleCount; ++j)
                (*channel)[j] = self->noise ? amplitude(self->random) : (self->delivered + j == 0 ? 1.0f : 0.0f);
        self->delivered += block->sampleCount;
        return static_cast<uint32_t>(block->sampleCount);
    }
};

class ExtremeStream : public testing::Test {
protected:
    void Open(uint16_t channels, uint32_t rate, double level, uint32_t centre, uint32_t bandwidth)
    {
        Close();
        EffectSettings host{};
        host.dryOut = level;
        host.cutOffFreq = centre;
        host.bandWidth = bandwidth;
        ASSERT_EQ(1u, plugin.CopySettings(&stream_, &host));
        source_ = Source{};
        plugin.SetStreamCallBack(Source::Supply, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&source_)), stream_);
        WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, channels, rate, rate * 4 * channels,
                            static_cast<WORD>(4 * channels), 32, 0};
        plugin.OpenStream(stream_, &format);
        buffers_.assign(channels, std::vector<float>(4096));
        pointers_.clear();
        for (auto& buffer : buffers_)
            pointers_.push_back(buffer.data());
    }
    void Close()
    {
        if (stream_)
            plugin.Free(stream_);
        stream_ = nullptr;
    }
    void TearDown() override { Close(); }

    // One host block of count samples per channel; returns the channels' output.
    const std::vector<std::vector<float>>& Process(int32_t count = 4096)
    {
        SampleBlock block{0, pointers_.data(), pointers_.data() + pointers_.size(), pointers_.data() + pointers_.size(),
                          count, 0, 0};
        EXPECT_EQ(static_cast<uint32_t>(count), plugin.ProcessStream(&block, stream_));
        return buffers_;
    }
    void UseNoise() { source_.noise = true; }

    PluginLibrary plugin;
    EffectSettings* stream_ = nullptr;
    Source source_;
    std::vector<std::vector<float>> buffers_;
    std::vector<float*> pointers_;
};

TEST_F(ExtremeStream, TwentySecondsOfSilenceAfterAnImpulseGiveNoSubnormalSample)
{
    for (uint32_t rate : {44100u, 384000u})
        for (uint32_t bandwidth : {400u, 5u}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, bandwidth " << bandwidth);
            Open(2, rate, 0.9, 1000, bandwidth);
            long subnormal = 0, nonZero = 0;
            for (long done = 0; done < 20L * static_cast<long>(rate); done += 4096)
                for (const auto& channel : Process())
                    for (float sample : channel) {
                        subnormal += std::fpclassify(sample) == FP_SUBNORMAL;
                        nonZero += sample != 0.0f;
                    }
            EXPECT_EQ(0, subnormal);
            EXPECT_GT(nonZero, 0);
        }
}

// Values that only a host writing the record itself would store: no crash, and the output that
// the arithmetic gives, finite wherever it can be.
TEST_F(ExtremeStream, ExtremeRecordValuesGiveTheArithmeticsOutput)
{
    const struct {
        uint32_t rate, centre, bandwidth;
        double level;
        // The reference's settings; a negative centre means the input times the level.
        double centre2, bandwidth2;
    } rows[] = {
        {44100, 1000, 4294967295u, 0.5, 1000, 18375},  // the widest band the rate allows
        {44100, 1000, 2147483648u, 0.5, 1000, 18375},
        {44100, 4294967295u, 400, 0.5, -1, 0},         // a centre that high passes through
        {44100, 22050, 400, 1.0, -1, 0},               // at half the rate: above 5/11
        {44100, 30000, 400, 1.0, -1, 0},
        {44100, 20045, 400, 1.0, 20045, 400},          // just below 5/11 still filters
        {44100, 0, 400, 1.0, 0, 400},
        {44100, 1000, 0, 1.0, 1000, 0},
        {44100, 0, 0, 1.0, 0, 0},
        {44100, 4294967295u, 4294967295u, 0.25, -1, 0},
        {8000, 1000, 4294967295u, 1.0, 1000, 3333},
        {44100, 1000, 400, 0.0, 1000, 400},
        {44100, 1000, 400, 1e30, 1000, 400},           // samples of about 1e30: finite floats
        {44100, 1000, 400, -1e30, 1000, 400},
        {44100, 1000, 400, FLT_MAX, 1000, 400},        // finite only where |filtered| < 1
        {44100, 1000, 400, 1e39, 1000, 400},           // beyond the float range: mostly infinite
        {44100, 4294967295u, 400, 1e39, -1, 0},
        {44100, 1000, 400, NAN, 1000, 400},
    };
    // The gain is the last step, rounded to float: a product is a finite float below FLT_MAX
    // plus half its last step.
    const double overflow = std::ldexp(2.0 - std::ldexp(1.0, -24), 127);
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.rate << " Hz, centre " << row.centre << ", bandwidth " << row.bandwidth
                                        << ", level " << row.level);
        Open(2, row.rate, row.level, row.centre, row.bandwidth);
        UseNoise();
        std::mt19937 replay{99};
        std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
        std::vector<std::vector<float>> input(2), output(2);
        for (int block = 0; block < 3; ++block) {
            std::vector<std::vector<float>> delivered(2, std::vector<float>(4096));
            for (auto& channel : delivered)
                for (float& sample : channel)
                    sample = amplitude(replay);
            const auto& processed = Process();
            for (int k = 0; k < 2; ++k) {
                input[k].insert(input[k].end(), delivered[k].begin(), delivered[k].end());
                output[k].insert(output[k].end(), processed[k].begin(), processed[k].end());
            }
        }
        for (int k = 0; k < 2; ++k) {
            std::vector<float> expected(input[k].size());
            // What the gain multiplies: the input where the filter passes through, else its output.
            const std::vector<float> filtered =
                row.centre2 < 0 ? input[k] : ReferenceStream(input[k], row.rate, row.centre2, row.bandwidth2, 1.0);
            if (row.centre2 < 0)
                for (size_t j = 0; j < expected.size(); ++j)
                    expected[j] = static_cast<float>(input[k][j] * row.level);
            else
                expected = ReferenceStream(input[k], row.rate, row.centre2, row.bandwidth2, row.level);
            ASSERT_EQ(0, std::memcmp(expected.data(), output[k].data(), expected.size() * sizeof(float)))
                << "channel " << k;
            for (size_t j = 0; j < output[k].size(); ++j)
                ASSERT_EQ(std::fabs(filtered[j] * row.level) < overflow, std::isfinite(output[k][j]))
                    << "channel " << k << ", sample " << j << ": " << filtered[j] << " times the level";
        }
    }
}

}  // namespace
