// Helpers for driving nodes over plain channel buffers in the DSP tests.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "dsp/audio_format.h"
#include "dsp/sample_block.h"

inline AudioFormat MakeFormat(uint32_t sampleRate, uint16_t channels)
{
    AudioFormat format{};
    format.formatTag = 3;
    format.nChannels = channels;
    format.nSamplesPerSec = sampleRate;
    return format;
}

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
