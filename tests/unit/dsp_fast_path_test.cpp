// The multi-channel fast path against the readable one-channel loop followed by the gain pass,
// bit for bit, on every path: every channel of a block filtered at once must equal that channel
// alone through the one-channel loop.
#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "dsp/band_reject_node.h"
#include "dsp/gain_pass.h"
#include "dsp/packed_filter.h"
#include "tests/unit/dsp_test_support.h"

namespace {

struct Trial {
    uint32_t sampleRate;
    int32_t centre;
    int32_t bandwidth;
    int channels;
    int length;
    double level;
};

// All channels through the packed path in random cuts, beside each channel alone through the
// one-channel loop and the gain pass, over the same noise with the occasional non-finite or
// denormal sample.
void RunTrial(PackedPath path, const Trial& t, std::mt19937& random)
{
    const auto node = MadeFor(t.sampleRate, t.centre, t.bandwidth, static_cast<uint16_t>(t.channels));
    std::vector<BandRejectNode::ChannelHistory> together(t.channels), alone(t.channels);

    TestBuffers all(t.channels, t.length);
    all.FillNoise(random());
    std::uniform_int_distribution<int> position(0, t.length - 1);
    const float specials[] = {NAN, INFINITY, -INFINITY, 1e-40f, -3e-39f, 3e38f};
    for (int k = 0; k < t.channels; ++k)
        if (random() % 3 == 0)
            all[k][position(random)] = specials[random() % 6];
    TestBuffers single = all;

    std::uniform_int_distribution<int> cut(0, 700);
    for (int offset = 0; offset < t.length;) {
        const int count = std::min(t.length - offset, cut(random));
        const SampleBlock block = all.View(offset, count);
        EXPECT_TRUE(FilterChannelsPacked(path, node->Coeffs(), together.data(), block.channelsBegin, t.channels, count,
                                         t.level));
        for (int k = 0; k < t.channels; ++k) {
            BandRejectNode::FilterChannel(node->Coeffs(), alone[k], single[k].data() + offset, count);
            ScaleSamples(t.level, single[k].data() + offset, count);
        }
        offset += count;
    }
    for (int k = 0; k < t.channels; ++k) {
        SCOPED_TRACE(testing::Message() << "channel " << k);
        EXPECT_TRUE(SameBits(single[k], all[k]));
        EXPECT_TRUE(SameHistory(alone[k], together[k]));
    }
}

TEST(BandRejectFastPath, EqualsTheOneChannelLoopOverRandomSettingsRatesCutsAndChannelCounts)
{
    const uint32_t rates[] = {8000, 11025, 22050, 44100, 48000, 96000, 192000};
    const double levels[] = {1.0, 1.000015259254738, 0.5, 0.0, 0.3};
    for (PackedPath path : Paths()) {
        std::mt19937 random(20240611);
        for (int trial = 0; trial < 120; ++trial) {
            Trial t;
            t.sampleRate = rates[random() % 7];
            t.channels = 1 + trial % 13;
            t.centre = std::uniform_int_distribution<int32_t>(0, static_cast<int32_t>(t.sampleRate / 2))(random);
            t.bandwidth = std::uniform_int_distribution<int32_t>(1, static_cast<int32_t>(t.sampleRate / 2))(random);
            t.length = std::uniform_int_distribution<int>(1, 3000)(random);
            t.level = levels[random() % 5];
            SCOPED_TRACE(testing::Message() << Name(path) << ", trial " << trial << ": " << t.sampleRate
                                            << " Hz, centre " << t.centre << ", bandwidth " << t.bandwidth << ", "
                                            << t.channels << " channels, " << t.length << " samples, level "
                                            << t.level);
            RunTrial(path, t, random);
        }
    }
}

// The kernels themselves, outside any node, under every rounding mode and flush-to-zero: they
// follow the state they are given, as the one-channel loop does.
TEST(BandRejectFastPath, EqualsTheOneChannelLoopUnderEveryRoundingModeAndFlushToZero)
{
    const unsigned masked = 0x1F80;
    const unsigned modes[] = {masked, masked | 0x2000, masked | 0x4000, masked | 0x6000, masked | 0x8040};
    for (PackedPath path : Paths()) {
        std::mt19937 random(77);
        for (unsigned mode : modes) {
            SCOPED_TRACE(testing::Message() << Name(path) << ", MXCSR 0x" << std::hex << mode);
            ScopedMxcsr scoped(mode);
            for (int channels : {1, 2, 3, 7, 10})
                RunTrial(path, Trial{44100, 1000, 400, channels, 2000, 0.7}, random);
        }
    }
}

// Through the node, as the stream runs it: the level joined to the filter equals the filter
// followed by the gain pass, for buffers apart, buffers shared, more channels than are
// compared, and a centre that passes the block through.
TEST(BandRejectFastPath, FilterThenScaleEqualsTheFilterFollowedByTheGainPass)
{
    std::mt19937 random(3);
    for (int channels : {1, 2, 5, 10, 17})
        for (int shared : {0, 1})
            for (int32_t centre : {1000, 30000}) {
                SCOPED_TRACE(testing::Message() << channels << " channels, shared " << shared << ", centre " << centre);
                const auto fused = MadeFor(48000, centre, 700, static_cast<uint16_t>(channels));
                const auto apart = MadeFor(48000, centre, 700, static_cast<uint16_t>(channels));
                TestBuffers actual(channels, 900);
                actual.FillNoise(random());
                TestBuffers expected = actual;
                for (int offset : {0, 37, 400}) {
                    SampleBlock fusedBlock = actual.View(offset, 300);
                    SampleBlock apartBlock = expected.View(offset, 300);
                    if (shared && channels > 1)
                        fusedBlock.channelsBegin[channels - 1] = fusedBlock.channelsBegin[0],
                        apartBlock.channelsBegin[channels - 1] = apartBlock.channelsBegin[0];
                    fused->FilterThenScale(fusedBlock, 0.8);
                    apart->DoProcess(apartBlock);
                    for (int k = 0; k < channels; ++k)
                        ScaleSamples(0.8, apartBlock.channelsBegin[k], 300);
                }
                for (int k = 0; k < channels; ++k)
                    EXPECT_TRUE(SameBits(expected[k], actual[k])) << "channel " << k;
            }
}

TEST(BandRejectFastPath, PassingThroughLeavesEveryChannelAndItsHistoryAlone)
{
    auto node = MadeFor(22050, 1000, 400, 5);
    TestBuffers first(5, 300);
    first.FillNoise(12);
    node->DoProcess(first.All());
    std::vector<BandRejectNode::ChannelHistory> before;
    before.reserve(5);
    for (int k = 0; k < 5; ++k)
        before.push_back(node->History(k));

    node->cutOffFreq = 20000;
    TestBuffers second(5, 300);
    second.FillNoise(13);
    TestBuffers input = second;
    node->DoProcess(second.All());
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(input[k], second[k]) << "channel " << k;
        EXPECT_TRUE(SameHistory(before[k], node->History(k))) << "channel " << k;
    }
}

// The packed routine itself over counts around its four-frame turns, and channel counts past
// one pass of the widest lanes.
TEST(BandRejectFastPath, PackedRoutineMatchesAtEveryCountAroundItsStepsAndPasses)
{
    auto node = MadeFor(48000, 3000, 700, 1);
    const BandRejectNode::Coefficients& c = node->Coeffs();
    std::mt19937 random(5);
    for (PackedPath path : Paths())
        for (int channels = 1; channels <= 4 * kPassGroups + 1; ++channels)
            for (int count : {0, 1, 2, 3, 4, 5, 7, 255, 256, 257, 1029}) {
                SCOPED_TRACE(testing::Message() << Name(path) << ", " << channels << " channels, " << count
                                                << " samples");
                TestBuffers packed(channels, count + 1);
                packed.FillNoise(random());
                TestBuffers plain = packed;
                std::vector<BandRejectNode::ChannelHistory> packedHistory(channels), plainHistory(channels);
                std::uniform_real_distribution<double> state(-1.5, 1.5);
                for (auto& h : packedHistory)
                    h = {state(random), state(random), state(random), state(random)};
                plainHistory = packedHistory;

                const SampleBlock block = packed.View(0, count);
                // Past the channels whose buffers are compared, the level is left to the gain pass.
                const bool leveled =
                    FilterChannelsPacked(path, c, packedHistory.data(), block.channelsBegin, channels, count, 0.9);
                EXPECT_EQ(channels <= kComparedChannels, leveled);
                for (int k = 0; k < channels && !leveled; ++k)
                    ScaleSamples(0.9, packed[k].data(), count);
                for (int k = 0; k < channels; ++k) {
                    BandRejectNode::FilterChannel(c, plainHistory[k], plain[k].data(), count);
                    ScaleSamples(0.9, plain[k].data(), count);
                }
                for (int k = 0; k < channels; ++k) {
                    EXPECT_TRUE(SameBits(plain[k], packed[k])) << "channel " << k;
                    EXPECT_TRUE(SameHistory(plainHistory[k], packedHistory[k])) << "channel " << k;
                }
            }
}

TEST(BandRejectFastPath, AHostBufferGivenTwiceIsFilteredTwiceAsOneChannelAfterTheOther)
{
    for (int shift : {0, 1, 99}) {
        SCOPED_TRACE(testing::Message() << "second channel " << shift << " samples on");
        std::vector<float> shared(600);
        std::mt19937 random(shift + 1);
        std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
        for (float& sample : shared)
            sample = amplitude(random);
        std::vector<float> expected = shared;

        auto node = MadeFor(44100, 1000, 400, 2);
        float* pointers[2] = {shared.data(), shared.data() + shift};
        SampleBlock block{0, pointers, pointers + 2, pointers + 2, 500, 0, 0};
        node->DoProcess(block);

        auto reference = MadeFor(44100, 1000, 400, 2);
        BandRejectNode::ChannelHistory h0{}, h1{};
        BandRejectNode::FilterChannel(reference->Coeffs(), h0, expected.data(), 500);
        BandRejectNode::FilterChannel(reference->Coeffs(), h1, expected.data() + shift, 500);
        EXPECT_TRUE(SameBits(expected, shared));
    }
}

// Tens of thousands of channels, some handed twice: across packed groups (3 and 15), inside
// one (the last two) and shifted by a sample inside one (40 and 41). Every channel equals the
// one-channel loop run over the channels in order, across two blocks.
TEST(BandRejectFastPath, ManyChannelsWithSharedBuffersEqualTheOneChannelLoopInOrder)
{
    constexpr int kChannels = 20000;
    constexpr int kSamples = 6;
    constexpr int kStride = kSamples + 1;
    std::vector<float> pool(kChannels * kStride);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
    std::vector<size_t> offsets(kChannels);
    for (int k = 0; k < kChannels; ++k)
        offsets[k] = static_cast<size_t>(k) * kStride;
    offsets[15] = offsets[3];
    offsets[kChannels - 1] = offsets[kChannels - 2];
    offsets[41] = offsets[40] + 1;

    auto node = MadeFor(44100, 1000, 400, kChannels);
    std::vector<BandRejectNode::ChannelHistory> histories(kChannels, BandRejectNode::ChannelHistory{});
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(testing::Message() << "block " << pass);
        for (float& sample : pool)
            sample = amplitude(random);
        std::vector<float> expected = pool;
        for (int k = 0; k < kChannels; ++k)
            BandRejectNode::FilterChannel(node->Coeffs(), histories[k], expected.data() + offsets[k], kSamples);

        std::vector<float*> pointers(kChannels);
        for (int k = 0; k < kChannels; ++k)
            pointers[k] = pool.data() + offsets[k];
        SampleBlock block{0, pointers.data(), pointers.data() + kChannels, pointers.data() + kChannels, kSamples, 0, 0};
        node->DoProcess(block);

        ASSERT_TRUE(SameBits(expected, pool));
        for (int k = 0; k < kChannels; ++k)
            ASSERT_TRUE(SameHistory(histories[k], node->History(k))) << "channel " << k;
    }
}

}  // namespace
