#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "tools/shared/plugin_library.h"
#include "tests/support/reference_filter.h"

namespace {

struct CallbackCall {
    int32_t sampleCount;          // cppcheck-suppress unusedStructMember ; compared with the stream's counts
    std::vector<float*> channels;  // cppcheck-suppress unusedStructMember ; read as calls.back().channels
};

// A host's sample source: records every call, fills from its own signal, and can deliver
// short on a chosen call.
struct Source {
    std::vector<std::vector<float>> signal;
    size_t position = 0;
    std::vector<CallbackCall> calls;
    int shortCall = -1;
    uint32_t shortCount = 0;
    SampleBlock* hostBlock = nullptr;
    bool sawHostBlock = false;

    static uint32_t __cdecl Supply(uint32_t context, SampleBlock* block)
    {
        auto* self = reinterpret_cast<Source*>(static_cast<uintptr_t>(context));
        return self->Fill(block);
    }

    uint32_t Fill(SampleBlock* block)
    {
        if (block == hostBlock)
            sawHostBlock = true;
        calls.push_back({block->sampleCount, std::vector<float*>(block->channelsBegin, block->channelsEnd)});
        const int32_t count = std::max(block->sampleCount, 0);
        for (size_t k = 0; k < calls.back().channels.size(); ++k)
            for (int32_t j = 0; j < count; ++j)
                block->channelsBegin[k][j] = signal[k][position + j];
        position += count;
        const int index = static_cast<int>(calls.size()) - 1;
        return index == shortCall ? shortCount : static_cast<uint32_t>(count);
    }
};

class StreamDriver : public testing::Test {
protected:
    void Open(uint16_t channels, size_t length, uint32_t centre = 1000, uint32_t bandwidth = 400, double level = 0.75,
              uint32_t rate = 44100)
    {
        rate_ = rate;
        EffectSettings host{};
        host.dryOut = level;
        host.cutOffFreq = centre;
        host.bandWidth = bandwidth;
        ASSERT_EQ(1u, plugin.CopySettings(&stream, &host));
        plugin.SetStreamCallBack(Source::Supply, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&source)), stream);
        WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, channels, rate, rate * 4 * channels,
                            static_cast<WORD>(4 * channels), 32, 0};
        plugin.OpenStream(stream, &format);

        std::mt19937 random(channels * 977 + static_cast<uint32_t>(length));
        std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
        source.signal.assign(channels, std::vector<float>(length));
        for (auto& channel : source.signal)
            for (float& sample : channel)
                sample = amplitude(random);
        buffers.assign(channels, std::vector<float>(length, -7.0f));
        for (auto& buffer : buffers)
            pointers.push_back(buffer.data());
    }
    void TearDown() override { Reset(); }
    void Reset()
    {
        if (stream)
            plugin.Free(stream);
        stream = nullptr;
        source = Source{};
        buffers.clear();
        pointers.clear();
    }

    SampleBlock HostBlock(int32_t count)
    {
        SampleBlock block{0xAAAAAAAA, pointers.data(), pointers.data() + pointers.size(),
                          pointers.data() + pointers.size(), count, -1, 0x5555};
        if (pointers.empty())
            block.channelsBegin = block.channelsEnd = block.channelsCapacityEnd = nullptr;
        return block;
    }

    uint32_t Process(SampleBlock& block)
    {
        source.hostBlock = &block;
        return plugin.ProcessStream(&block, stream);
    }

    std::vector<float> Expected(size_t k, double centre = 1000, double bandwidth = 400, double level = 0.75)
    {
        return ReferenceStream(source.signal[k], rate_, centre, bandwidth, level);
    }

    PluginLibrary plugin;
    EffectSettings* stream = nullptr;
    Source source;
    std::vector<std::vector<float>> buffers;
    std::vector<float*> pointers;
    uint32_t rate_ = 44100;
};

TEST_F(StreamDriver, ABlockOfTheLimitIsOneCallWithTheHostsOwnBlock)
{
    Open(2, 16384);
    SampleBlock block = HostBlock(16384);
    EXPECT_EQ(16384u, Process(block));
    EXPECT_EQ(16384, block.processedCount);
    ASSERT_EQ(1u, source.calls.size());
    EXPECT_TRUE(source.sawHostBlock);
    for (size_t k = 0; k < 2; ++k)
        EXPECT_EQ(Expected(k), buffers[k]) << "channel " << k;
}

TEST_F(StreamDriver, LongerRequestsAreCutIntoSubBlocksPointingIntoTheHostBuffers)
{
    struct Case {
        int32_t count;
        std::vector<int32_t> calls;
    };
    for (const Case& c : {Case{16385, {16384, 1}}, Case{40000, {16384, 16384, 7232}}, Case{32768, {16384, 16384}}}) {
        SCOPED_TRACE(c.count);
        Open(3, c.count);
        SampleBlock block = HostBlock(c.count);
        EXPECT_EQ(static_cast<uint32_t>(c.count), Process(block));
        EXPECT_EQ(c.count, block.processedCount);
        EXPECT_FALSE(source.sawHostBlock);
        ASSERT_EQ(c.calls.size(), source.calls.size());
        for (size_t i = 0; i < c.calls.size(); ++i) {
            EXPECT_EQ(c.calls[i], source.calls[i].sampleCount);
            ASSERT_EQ(3u, source.calls[i].channels.size());
            for (size_t k = 0; k < 3; ++k)
                EXPECT_EQ(buffers[k].data() + i * 16384, source.calls[i].channels[k]);
        }
        for (size_t k = 0; k < 3; ++k)
            EXPECT_EQ(Expected(k), buffers[k]) << "channel " << k;
        Reset();
    }
}

TEST_F(StreamDriver, AShortDeliveryEndsTheRequestAfterItsSubBlockIsFiltered)
{
    Open(1, 40000);
    source.shortCall = 1;
    source.shortCount = 100;
    SampleBlock block = HostBlock(40000);
    EXPECT_EQ(16484u, Process(block));
    EXPECT_EQ(16484, block.processedCount);
    EXPECT_EQ(2u, source.calls.size());
    const std::vector<float> expected = Expected(0);
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 32768, buffers[0].begin()));
    EXPECT_EQ(-7.0f, buffers[0][32768]);
}

TEST_F(StreamDriver, AShortDeliveryInTheRemainderIsCountedFromItsStart)
{
    Open(1, 20000);
    source.shortCall = 1;
    source.shortCount = 5;
    SampleBlock block = HostBlock(20000);
    EXPECT_EQ(16389u, Process(block));
    EXPECT_EQ(16389, block.processedCount);
}

TEST_F(StreamDriver, AnOverlongDeliveryCountsAsComplete)
{
    Open(1, 20000);
    source.shortCall = 0;
    source.shortCount = 50000;
    SampleBlock block = HostBlock(20000);
    EXPECT_EQ(20000u, Process(block));
    EXPECT_EQ(2u, source.calls.size());

    SampleBlock small = HostBlock(10);
    source.shortCall = 2;
    EXPECT_EQ(50000u, Process(small));
}

TEST_F(StreamDriver, ASingleBlockIsFilteredInFullWhateverTheCallbackDelivered)
{
    Open(1, 100);
    source.shortCall = 0;
    source.shortCount = 60;
    SampleBlock block = HostBlock(100);
    EXPECT_EQ(60u, Process(block));
    EXPECT_EQ(60, block.processedCount);
    EXPECT_EQ(Expected(0), buffers[0]);
}

TEST_F(StreamDriver, EmptyBlocksStillAskTheCallback)
{
    Open(1, 10);
    SampleBlock empty = HostBlock(0);
    EXPECT_EQ(0u, Process(empty));
    EXPECT_EQ(1u, source.calls.size());

    pointers.clear();
    SampleBlock noChannels = HostBlock(10);
    EXPECT_EQ(10u, Process(noChannels));
    EXPECT_EQ(2u, source.calls.size());
    EXPECT_EQ(std::vector<float>(10, -7.0f), buffers[0]);
}

TEST_F(StreamDriver, ACountNearTheLargestIsCutWithoutWrapping)
{
    // No channel, so no buffer: only the pieces' counts and the sum of what was delivered.
    constexpr int32_t kLargest = 2147483647;
    Open(1, 10);
    pointers.clear();
    SampleBlock full = HostBlock(kLargest);
    EXPECT_EQ(static_cast<uint32_t>(kLargest), Process(full));
    ASSERT_EQ(131072u, source.calls.size());
    EXPECT_EQ(16384, source.calls[131070].sampleCount);
    EXPECT_EQ(16383, source.calls.back().sampleCount);

    source.calls.clear();
    source.shortCall = 131070;
    source.shortCount = 9;
    SampleBlock cut = HostBlock(2147467265);
    EXPECT_EQ(131070u * 16384 + 9, Process(cut));
    EXPECT_EQ(131071u, source.calls.size());
}

TEST_F(StreamDriver, OutputIsTheSameHoweverTheHostCutsTheStream)
{
    Open(2, 100000);
    std::mt19937 random(5);
    std::uniform_int_distribution<int32_t> sizes(0, 40000);
    for (size_t offset = 0; offset < 100000;) {
        const int32_t count = std::min<int32_t>(sizes(random), 100000 - static_cast<int32_t>(offset));
        std::vector<float*> at = {buffers[0].data() + offset, buffers[1].data() + offset};
        SampleBlock block{0, at.data(), at.data() + 2, at.data() + 2, count, 0, 0};
        ASSERT_EQ(static_cast<uint32_t>(count), plugin.ProcessStream(&block, stream));
        offset += count;
    }
    for (size_t k = 0; k < 2; ++k)
        EXPECT_EQ(0, std::memcmp(Expected(k).data(), buffers[k].data(), 100000 * sizeof(float))) << "channel " << k;  // NOLINT(bugprone-suspicious-memory-comparison): the bit patterns must match
}

TEST_F(StreamDriver, TheRecordsFieldsAreReadAtTheirOffsetsWhenTheStreamOpens)
{
    Open(1, 4096);
    plugin.CloseStream(stream);
    auto* bytes = reinterpret_cast<uint8_t*>(stream);
    const uint32_t centre = 3000, bandwidth = 20000;
    const double level = 0.25;
    std::memcpy(bytes + 0, &level, 8);
    std::memcpy(bytes + 16, &centre, 4);
    std::memcpy(bytes + 20, &bandwidth, 4);
    WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 44100 * 4, 4, 32, 0};
    plugin.OpenStream(stream, &format);
    EXPECT_EQ(20000u, stream->bandWidth);

    SampleBlock block = HostBlock(4096);
    Process(block);
    EXPECT_EQ(Expected(0, 3000, 18375, 0.25), buffers[0]);
}

TEST_F(StreamDriver, ACentreAboveFiveEleventhsOfTheRateOnlyAppliesTheGain)
{
    Open(1, 512, 20000, 400, 0.5, 22050);
    SampleBlock block = HostBlock(512);
    Process(block);
    for (size_t j = 0; j < 512; ++j)
        ASSERT_EQ(static_cast<float>(source.signal[0][j] * 0.5), buffers[0][j]);
}

TEST_F(StreamDriver, AZeroSampleRatePassesAudioThroughTheGainOnly)
{
    Open(2, 512, 1000, 400, 0.5, 0);
    SampleBlock block = HostBlock(512);
    Process(block);
    for (size_t k = 0; k < 2; ++k)
        for (size_t j = 0; j < 512; ++j)
            ASSERT_EQ(static_cast<float>(source.signal[k][j] * 0.5), buffers[k][j]);
}

TEST_F(StreamDriver, OpeningTwiceRestartsTheFilterFromAFreshHistory)
{
    Open(1, 1000);
    SampleBlock block = HostBlock(1000);
    Process(block);
    WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 44100 * 4, 4, 32, 0};
    plugin.OpenStream(stream, &format);
    source.position = 0;
    Process(block);
    EXPECT_EQ(Expected(0), buffers[0]);
}

TEST_F(StreamDriver, HostsWithManyChannelsGetEveryChannelFiltered)
{
    Open(12, 20000);
    SampleBlock block = HostBlock(20000);
    EXPECT_EQ(20000u, Process(block));
    for (size_t k = 0; k < 12; ++k)
        EXPECT_EQ(Expected(k), buffers[k]) << "channel " << k;
}

// Beyond 16 channels the sub-block's pointer list is the driver's own allocation.
TEST_F(StreamDriver, SubBlocksOfHostsWithMoreThanSixteenChannelsPointIntoEveryBuffer)
{
    for (uint16_t channels : {17, 32}) {
        SCOPED_TRACE(testing::Message() << channels << " channels");
        // Eight samples past the request stay the host's.
        Open(channels, 40008);
        SampleBlock block = HostBlock(40000);
        EXPECT_EQ(40000u, Process(block));
        ASSERT_EQ(3u, source.calls.size());
        for (size_t i = 0; i < 3; ++i) {
            ASSERT_EQ(channels, source.calls[i].channels.size());
            for (size_t k = 0; k < channels; ++k)
                EXPECT_EQ(buffers[k].data() + i * 16384, source.calls[i].channels[k]) << "call " << i << ", channel " << k;
        }
        for (size_t k = 0; k < channels; ++k) {
            const std::vector<float> expected = Expected(k);
            EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 40000, buffers[k].begin())) << "channel " << k;
            EXPECT_EQ(std::vector<float>(8, -7.0f), std::vector<float>(buffers[k].begin() + 40000, buffers[k].end()))
                << "channel " << k;
        }
        Reset();
    }
}

}  // namespace
