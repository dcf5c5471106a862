// The nodes' numerics: the gain kernels against the plain statement, flush-to-zero confined to
// the nodes and changing no normal-range bit, and record frequencies beyond INT32_MAX.
#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "dsp/band_reject_node.h"
#include "dsp/chain.h"
#include "dsp/gain_node.h"
#include "dsp/gain_pass.h"
#include "dsp/packed_filter.h"
#include "tests/unit/dsp_test_support.h"

namespace {

constexpr unsigned kControls = 0xFFC0;
constexpr unsigned kFlushToZero = 0x8000;

using Kernel = void (*)(double, float*, int);

// Every length around the kernels' steps, every alignment of the first sample, gains of all
// kinds and samples with specials; the sample after the last must stay untouched.
void CheckKernel(Kernel kernel)
{
    std::mt19937 random(31);
    std::uniform_real_distribution<float> amplitude(-2.0f, 2.0f);
    const double gains[] = {1.000015259254738, 0.5, 1.0, 0.0, -0.75, 1e30, 1e-40, 3e-300, NAN, INFINITY};
    const float specials[] = {NAN, INFINITY, -INFINITY, 1e-40f, -0.0f, 3e38f, 1.1754944e-38f};
    for (double gain : gains)
        for (int offset = 0; offset < 4; ++offset)
            for (int count = 0; count <= 37; ++count) {
                SCOPED_TRACE(testing::Message() << "gain " << gain << ", offset " << offset << ", " << count
                                                << " samples");
                std::vector<float> samples(offset + count + 1);
                for (float& sample : samples)
                    sample = random() % 5 == 0 ? specials[random() % 7] : amplitude(random);
                std::vector<float> expected = samples;
                for (int j = 0; j < count; ++j)
                    expected[offset + j] = static_cast<float>(expected[offset + j] * gain);
                kernel(gain, samples.data() + offset, count);
                ASSERT_TRUE(SameBits(expected.data(), samples.data(), static_cast<int>(samples.size())));
            }
}

TEST(GainPass, TheKernelGivesThePlainLoopsBits)
{
    CheckKernel(ScaleSamples);
}

TEST(FlushToZero, NoSubnormalComesOutOfTheChainAfterAnImpulseAndTwentySecondsOfSilence)
{
    for (uint32_t rate : {44100u, 384000u})
        for (double level : {1.000015259254738, 0.5}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz, level " << level);
            EffectSettings record{};
            record.dryOut = level;
            record.cutOffFreq = 1000;
            record.bandWidth = 400;
            ASSERT_TRUE(BuildChain(&record));
            const AudioFormat format = MakeFormat(rate, 3);
            record.headNode->SetFormat(&format);
            record.filterNode->SetFormat(&format);

            TestBuffers buffers(3, 4096);
            long subnormal = 0;
            float quietest = 1.0f;
            for (long done = 0; done < 20L * static_cast<long>(rate); done += 4096) {
                for (int k = 0; k < 3; ++k)
                    std::fill(buffers[k].begin(), buffers[k].end(), 0.0f);
                if (done == 0)
                    buffers[0][0] = buffers[1][7] = buffers[2][4000] = 1.0f;
                record.headNode->Process(buffers.All());
                for (int k = 0; k < 3; ++k)
                    for (float sample : buffers[k]) {
                        subnormal += std::fpclassify(sample) == FP_SUBNORMAL;
                        if (sample != 0.0f)
                            quietest = std::min(quietest, std::fabs(sample));
                    }
            }
            EXPECT_EQ(0, subnormal);
            // The tail did reach the bottom of the float range before it stopped.
            EXPECT_LT(quietest, 1e-37f);
            for (int k = 0; k < 3; ++k) {
                const BandRejectNode::ChannelHistory& h = record.filterNode->History(k);
                for (double value : {h.x1, h.x2, h.y1, h.y2})
                    EXPECT_NE(FP_SUBNORMAL, std::fpclassify(value)) << "channel " << k;
            }
            ReleaseChain(&record);
        }
}

TEST(FlushToZero, SubnormalInputPassedThroughComesOutAsZero)
{
    EffectSettings record{};
    record.dryOut = 1.0;
    record.cutOffFreq = 20000;  // above 5/11 of 22050 Hz: the filter passes the block
    record.bandWidth = 400;
    ASSERT_TRUE(BuildChain(&record));
    const AudioFormat format = MakeFormat(22050, 1);
    record.headNode->SetFormat(&format);
    record.filterNode->SetFormat(&format);
    TestBuffers buffers(1, 9);
    buffers[0] = {1e-40f, -1e-45f, 1.1754942e-38f, 0.5f, -2.0f, 1.1754944e-38f, 0.0f, 3e-39f, 1.0f};
    record.headNode->Process(buffers.All());
    EXPECT_EQ((std::vector<float>{0.0f, -0.0f, 0.0f, 0.5f, -2.0f, 1.1754944e-38f, 0.0f, 0.0f, 1.0f}), buffers[0]);
    ReleaseChain(&record);
}

// Noise keeps every value in the normal range: the nodes' output is then the plain loops'
// rounded to nearest, whatever rounding the caller's MXCSR holds.
TEST(FlushToZero, NormalRangeStreamsKeepEveryBit)
{
    for (unsigned rounding : {0x0000u, 0x2000u, 0x4000u, 0x6000u}) {
        SCOPED_TRACE(testing::Message() << "rounding 0x" << std::hex << rounding);
        EffectSettings record{};
        record.dryOut = 0.7;
        record.cutOffFreq = 2500;
        record.bandWidth = 300;
        ASSERT_TRUE(BuildChain(&record));
        const AudioFormat format = MakeFormat(48000, 4);
        record.headNode->SetFormat(&format);
        record.filterNode->SetFormat(&format);

        TestBuffers buffers(4, 3000);
        buffers.FillNoise(rounding + 1);
        TestBuffers expected = buffers;
        BandRejectNode::ChannelHistory history[4] = {};
        for (int k = 0; k < 4; ++k) {
            BandRejectNode::FilterChannel(record.filterNode->Coeffs(), history[k], expected[k].data(), 3000);
            for (float& sample : expected[k])
                sample = static_cast<float>(sample * 0.7);
        }
        {
            const ScopedMxcsr host(0x1F80 | rounding);
            record.headNode->Process(buffers.All());
        }
        for (int k = 0; k < 4; ++k)
            EXPECT_TRUE(SameBits(expected[k].data(), buffers[k].data(), 3000)) << "channel " << k;
        ReleaseChain(&record);
    }
}

TEST(FlushToZero, TheCallersControlsComeBackAndRaisedFlagsStay)
{
    EffectSettings record{};
    record.dryOut = 0.3;
    record.cutOffFreq = 1000;
    record.bandWidth = 400;
    ASSERT_TRUE(BuildChain(&record));
    const AudioFormat format = MakeFormat(44100, 2);
    record.headNode->SetFormat(&format);
    record.filterNode->SetFormat(&format);
    for (unsigned host : {0x1F80u, 0x1F80u | 0x4000u | kFlushToZero, 0x1F80u | 0x0040u}) {
        SCOPED_TRACE(testing::Message() << "MXCSR 0x" << std::hex << host);
        const ScopedMxcsr scoped(host);
        TestBuffers buffers(2, 100);
        buffers.FillNoise(3);
        record.headNode->Process(buffers.All());
        const unsigned after = _mm_getcsr();
        EXPECT_EQ(host & kControls, after & kControls);
        // Scaling noise by 0.3 is inexact: the precision flag is raised, as without the scope.
        EXPECT_NE(0u, after & 0x0020u);
    }
    ReleaseChain(&record);
}

TEST(PackedFilter, CoefficientsWithADifferentA2GiveTheOneChannelLoopsBits)
{
    const BandRejectNode::Coefficients c{0.9, -1.8, 0.8, -1.7, 0.85};
    for (PackedPath path : Paths()) {
        SCOPED_TRACE(Name(path));
        TestBuffers packed(3, 501);
        packed.FillNoise(8);
        TestBuffers plain = packed;
        BandRejectNode::ChannelHistory packedHistory[3] = {{0.1, 0.2, 0.3, 0.4}, {}, {-0.5, 0.25, 0.125, 0.0}};
        BandRejectNode::ChannelHistory plainHistory[3] = {packedHistory[0], packedHistory[1], packedHistory[2]};
        FilterChannelsPacked(path, c, packedHistory, packed.All().channelsBegin, 3, 501, 1.0);
        for (int k = 0; k < 3; ++k) {
            BandRejectNode::FilterChannel(c, plainHistory[k], plain[k].data(), 501);
            EXPECT_TRUE(SameBits(plain[k].data(), packed[k].data(), 501)) << "channel " << k;
            EXPECT_TRUE(SameHistory(plainHistory[k], packedHistory[k])) << "channel " << k;
        }
    }
}

TEST(RecordFrequencies, ValuesBeyondInt32MaxReachTheNodesLimitedNotNegative)
{
    const struct {
        uint32_t record;
        int32_t node;
    } rows[] = {{0u, 0}, {400u, 400}, {2147483646u, 2147483646}, {2147483647u, 2147483647},
                {2147483648u, 2147483647}, {4294967295u, 2147483647}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.record);
        EXPECT_EQ(row.node, NodeFrequency(row.record));
        EffectSettings record{};
        record.cutOffFreq = row.record;
        record.bandWidth = row.record;
        ASSERT_TRUE(BuildChain(&record));
        EXPECT_EQ(row.node, record.filterNode->cutOffFreq);
        EXPECT_EQ(row.node, record.filterNode->bandWidth);
        ReleaseChain(&record);
    }
}

TEST(RecordFrequencies, AHugeBandwidthIsTheWidestTheRateAllowsAndAHugeCentrePassesThrough)
{
    auto run = [](uint32_t centre, uint32_t bandwidth, TestBuffers& buffers, int32_t* nodeBandwidth) {
        EffectSettings record{};
        record.dryOut = 0.5;
        record.cutOffFreq = centre;
        record.bandWidth = bandwidth;
        ASSERT_TRUE(BuildChain(&record));
        const AudioFormat format = MakeFormat(44100, 2);
        record.headNode->SetFormat(&format);
        record.filterNode->SetFormat(&format);
        record.headNode->Process(buffers.All());
        *nodeBandwidth = record.filterNode->bandWidth;
        ReleaseChain(&record);
    };
    TestBuffers input(2, 2000);
    input.FillNoise(17);

    TestBuffers huge = input, widest = input;
    int32_t hugeBandwidth = 0, widestBandwidth = 0;
    run(1000, 4294967295u, huge, &hugeBandwidth);
    run(1000, 18375, widest, &widestBandwidth);
    EXPECT_EQ(18375, hugeBandwidth);
    for (int k = 0; k < 2; ++k) {
        EXPECT_TRUE(SameBits(widest[k].data(), huge[k].data(), 2000)) << "channel " << k;
        for (float sample : huge[k])
            ASSERT_TRUE(std::isfinite(sample));
    }

    TestBuffers passed = input;
    int32_t unused = 0;
    run(4294967295u, 400, passed, &unused);
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2000; ++j)
            ASSERT_EQ(static_cast<float>(input[k][j] * 0.5), passed[k][j]) << "channel " << k << " sample " << j;
}

}  // namespace
