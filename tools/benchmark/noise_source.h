// The benchmarks' host side: fresh noise copied into every channel, as a host decoding a file
// would; each block and each channel starts elsewhere in the noise, so no two are alike.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "host/plugin_api.h"

// Uniform noise in [-1, 1), the same for the same seed.
inline std::vector<float> MakeNoise(unsigned seed)
{
    std::vector<float> noise(1 << 16);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
    for (float& sample : noise)
        sample = amplitude(random);
    return noise;
}

struct NoiseSource {
    const std::vector<float>* noise;
    uint32_t blockIndex = 0;

    void Fill(float* const* channels, int channelCount, int32_t count)
    {
        for (int k = 0; k < channelCount; ++k) {
            const uint32_t start = (blockIndex * 7919u + k * 1031u) % (noise->size() - count);
            std::memcpy(channels[k], noise->data() + start, count * sizeof(float));
        }
        ++blockIndex;
    }
    static uint32_t __cdecl Supply(uint32_t context, SampleBlock* block)
    {
        auto* self = reinterpret_cast<NoiseSource*>(static_cast<uintptr_t>(context));
        self->Fill(block->channelsBegin, ChannelsIn(*block),
                   block->sampleCount);
        return static_cast<uint32_t>(block->sampleCount);
    }
};
