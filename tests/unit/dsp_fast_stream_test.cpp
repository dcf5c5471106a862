// ProcessStream over the fast path: no heap allocation for up to 10 channels, whatever the
// block length, and the same samples as the channels streamed one by one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <vector>

#include "host/plugin_api.h"

namespace {
// Allocations of this program while counting is on.
bool counting = false;
long allocations = 0;

void* Allocate(size_t size)
{
    if (counting)
        ++allocations;
    return std::malloc(size ? size : 1);
}
}  // namespace

void* operator new(size_t size)
{
    if (void* memory = Allocate(size))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, size_t) noexcept { std::free(memory); }

namespace {

// The host's source: the same noise for a channel however the stream is asked for.
struct Noise {
    std::vector<std::vector<float>> signal;
    size_t position = 0;
    static uint32_t __cdecl Supply(uint32_t context, SampleBlock* block)
    {
        auto* self = reinterpret_cast<Noise*>(static_cast<uintptr_t>(context));
        const int channels = static_cast<int>(block->channelsEnd - block->channelsBegin);
        for (int k = 0; k < channels; ++k)
            std::memcpy(block->channelsBegin[k], self->signal[k].data() + self->position,
                        block->sampleCount * sizeof(float));
        self->position += block->sampleCount;
        return static_cast<uint32_t>(block->sampleCount);
    }
};

class Stream {
public:
    Stream(uint16_t channels, Noise& noise)
    {
        EffectSettings settings{};
        settings.dryOut = 0.8;
        settings.cutOffFreq = 1000;
        settings.bandWidth = 400;
        CopySettings(&stream_, &settings);
        SetStreamCallBack(Noise::Supply, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&noise)), stream_);
        WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, channels, 44100, 44100u * 4 * channels,
                            static_cast<WORD>(4 * channels), 32, 0};
        OpenStream(stream_, &format);
    }
    ~Stream()
    {
        CloseStream(stream_);
        Free(stream_);
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    uint32_t Process(std::vector<std::vector<float>>& buffers, int32_t count)
    {
        std::vector<float*> pointers;
        pointers.reserve(buffers.size());
        for (auto& buffer : buffers)
            pointers.push_back(buffer.data());
        SampleBlock block{0, pointers.data(), pointers.data() + pointers.size(), pointers.data() + pointers.size(),
                          count, 0, 0};
        counting = true;
        const uint32_t processed = ProcessStream(&block, stream_);
        counting = false;
        return processed;
    }

private:
    EffectSettings* stream_ = nullptr;
};

Noise MakeNoise(int channels, size_t length, uint32_t seed)
{
    Noise noise;
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
    noise.signal.assign(channels, std::vector<float>(length));
    for (auto& channel : noise.signal)
        for (float& sample : channel)
            sample = amplitude(random);
    return noise;
}

TEST(FastStream, ProcessStreamAllocatesNothingForUpToTenChannels)
{
    for (uint16_t channels = 1; channels <= 10; ++channels)
        for (int32_t count : {4096, 16384, 16385, 40000}) {
            SCOPED_TRACE(testing::Message() << channels << " channels, " << count << " samples");
            Noise noise = MakeNoise(channels, count, channels);
            Stream stream(channels, noise);
            std::vector<std::vector<float>> buffers(channels, std::vector<float>(count));
            allocations = 0;
            EXPECT_EQ(static_cast<uint32_t>(count), stream.Process(buffers, count));
            EXPECT_EQ(0, allocations);
        }
}

TEST(FastStream, ChannelsStreamedTogetherEqualEachStreamedAlone)
{
    const std::vector<int32_t> requests = {4096, 3, 20000, 1, 777, 16384};
    for (uint16_t channels : {2, 3, 5, 10}) {
        SCOPED_TRACE(testing::Message() << channels << " channels");
        const Noise noise = MakeNoise(channels, 50000, 100 + channels);
        Noise together = noise;
        Stream stream(channels, together);
        std::vector<std::vector<float>> output(channels);
        for (int32_t count : requests) {
            std::vector<std::vector<float>> buffers(channels, std::vector<float>(count));
            stream.Process(buffers, count);
            for (int k = 0; k < channels; ++k)
                output[k].insert(output[k].end(), buffers[k].begin(), buffers[k].end());
        }
        for (int k = 0; k < channels; ++k) {
            Noise alone;
            alone.signal = {noise.signal[k]};
            Stream single(1, alone);
            std::vector<float> expected;
            for (int32_t count : requests) {
                std::vector<std::vector<float>> buffer(1, std::vector<float>(count));
                single.Process(buffer, count);
                expected.insert(expected.end(), buffer[0].begin(), buffer[0].end());
            }
            EXPECT_EQ(0, std::memcmp(expected.data(), output[k].data(), expected.size() * sizeof(float)))
                << "channel " << k;
        }
    }
}

}  // namespace
