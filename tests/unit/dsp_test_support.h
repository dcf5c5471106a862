// Helpers for driving nodes over plain channel buffers in the DSP tests.
#pragma once

#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "dsp/audio_format.h"
#include "dsp/band_reject_node.h"
#include "dsp/packed_filter.h"
#include "dsp/sample_block.h"

inline AudioFormat MakeFormat(uint32_t sampleRate, uint16_t channels)
{
    AudioFormat format{};
    format.formatTag = 3;
    format.nChannels = channels;
    format.nSamplesPerSec = sampleRate;
    return format;
}

inline std::unique_ptr<BandRejectNode> MadeFor(uint32_t sampleRate, int32_t centre, int32_t bandwidth,
                                               uint16_t channels = 1)
{
    auto node = std::make_unique<BandRejectNode>();
    node->cutOffFreq = centre;
    node->bandWidth = bandwidth;
    const AudioFormat format = MakeFormat(sampleRate, channels);
    node->SetFormat(&format);
    return node;
}

inline uint32_t Bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline ::testing::AssertionResult SameBits(const float* expected, const float* actual, int count)
{
    for (int j = 0; j < count; ++j)
        if (Bits(expected[j]) != Bits(actual[j]))
            return ::testing::AssertionFailure() << "sample " << j << ": expected " << expected[j] << " (0x"
                                                 << std::hex << Bits(expected[j]) << "), actual " << actual[j]
                                                 << " (0x" << Bits(actual[j]) << ")";
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult SameBits(const std::vector<float>& expected, const std::vector<float>& actual)
{
    return SameBits(expected.data(), actual.data(), static_cast<int>(expected.size()));
}

inline ::testing::AssertionResult SameHistory(const BandRejectNode::ChannelHistory& expected,
                                              const BandRejectNode::ChannelHistory& actual)
{
    if (std::memcmp(&expected, &actual, sizeof expected) == 0)  // NOLINT(bugprone-suspicious-memory-comparison): the bit patterns must match
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "history expected {" << expected.x1 << ", " << expected.x2 << ", "
                                         << expected.y1 << ", " << expected.y2 << "}, actual {" << actual.x1 << ", "
                                         << actual.x2 << ", " << actual.y1 << ", " << actual.y2 << "}";
}

// The paths this processor runs.
inline std::vector<PackedPath> Paths()
{
    if (AvxUsable())
        return {PackedPath::Sse2, PackedPath::Avx};
    return {PackedPath::Sse2};
}

inline const char* Name(PackedPath path) { return path == PackedPath::Avx ? "AVX" : "SSE2"; }

// Sets MXCSR for the scope and puts the caller's back.
class ScopedMxcsr {
public:
    explicit ScopedMxcsr(unsigned value) : saved_(_mm_getcsr()) { _mm_setcsr(value); }
    ~ScopedMxcsr() { _mm_setcsr(saved_); }

private:
    unsigned saved_;
};

// Channel buffers and a SampleBlock pointing into them, at an offset and for a count.
class TestBuffers {
public:
    TestBuffers(int channels, int samples) : data_(channels, std::vector<float>(samples)), pointers_(channels) {}

    std::vector<float>& operator[](int k) { return data_[k]; }
    int Channels() const { return static_cast<int>(data_.size()); }

    SampleBlock View(int offset, int count)
    {
        for (size_t k = 0; k < data_.size(); ++k)
            pointers_[k] = data_[k].data() + offset;
        SampleBlock block{};
        block.channelsBegin = pointers_.empty() ? nullptr : pointers_.data();
        block.channelsEnd = block.channelsBegin ? block.channelsBegin + pointers_.size() : nullptr;
        block.channelsCapacityEnd = block.channelsEnd;
        block.sampleCount = count;
        return block;
    }
    SampleBlock All() { return View(0, data_.empty() ? 0 : static_cast<int>(data_[0].size())); }

    void FillNoise(uint32_t seed)
    {
        std::mt19937 random(seed);
        std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
        for (auto& channel : data_)
            for (float& sample : channel)
                sample = amplitude(random);
    }

private:
    std::vector<std::vector<float>> data_;
    std::vector<float*> pointers_;
};
