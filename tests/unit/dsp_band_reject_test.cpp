#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <memory>

#include "dsp/band_reject_node.h"
#include "tests/unit/dsp_test_support.h"

namespace {

// |H(e^jw)| of the notch from its definition, independent of the node's coefficient code.
double ClosedFormMagnitude(double fs, double centre, double bandwidth, double f)
{
    const double t = std::tan(M_PI * bandwidth / fs);
    const double c2 = 2.0 * std::cos(2.0 * M_PI * centre / fs);
    const std::complex<double> z1 = std::polar(1.0, -2.0 * M_PI * f / fs);
    const std::complex<double> numerator = 1.0 - c2 * z1 + z1 * z1;
    const std::complex<double> denominator = (1.0 + t) - c2 * z1 + (1.0 - t) * z1 * z1;
    return std::abs(numerator / denominator);
}

double SteadyPeak(BandRejectNode& node, double fs, double f)
{
    TestBuffers buffers(1, 20000);
    for (int i = 0; i < 20000; ++i)
        buffers[0][i] = static_cast<float>(std::sin(2.0 * M_PI * f * i / fs));
    node.DoProcess(buffers.All());
    double peak = 0.0;
    for (int i = 15000; i < 20000; ++i)
        peak = std::max(peak, std::fabs(static_cast<double>(buffers[0][i])));
    return peak;
}

TEST(BandRejectCoefficients, EqualThePublishedValuesAt44100For1000And400)
{
    auto node = MadeFor(44100, 1000, 400);
    const auto& c = node->Coeffs();
    EXPECT_EQ(0.9722870136808628, c.a0);
    EXPECT_EQ(0.9722870136808628, c.a2);
    EXPECT_EQ(-1.9248705780980642, c.a1);
    EXPECT_EQ(-1.9248705780980642, c.b1);
    EXPECT_EQ(0.9445740273617255, c.b2);
    // t follows from a0 = 1 / (1 + t).
    EXPECT_NEAR(0.028502886420566385, 1.0 / c.a0 - 1.0, 1e-15);
    EXPECT_EQ(400, node->bandWidth);
}

TEST(BandRejectCoefficients, BandwidthIsLimitedToFiveTwelfthsOfTheRate)
{
    auto wide = MadeFor(44100, 1000, 20000);
    EXPECT_EQ(18375, wide->bandWidth);
    EXPECT_EQ(-0.5773502691896258, wide->Coeffs().b2);
    EXPECT_NEAR(3.7320508075688776, 1.0 / wide->Coeffs().a0 - 1.0, 1e-14);

    EXPECT_EQ(9187, MadeFor(22050, 1000, 20000)->bandWidth);
    EXPECT_EQ(3333, MadeFor(8000, 1000, 20000)->bandWidth);
    EXPECT_EQ(18375, MadeFor(44100, 1000, 18375)->bandWidth);
    EXPECT_EQ(18375, MadeFor(44100, 1000, 18376)->bandWidth);
    EXPECT_EQ(18374, MadeFor(44100, 1000, 18374)->bandWidth);
}

TEST(BandRejectCoefficients, ASecondSetFormatStartsFromTheLoweredBandwidth)
{
    auto node = MadeFor(44100, 1000, 20000);
    const AudioFormat wider = MakeFormat(96000, 1);
    node->SetFormat(&wider);
    EXPECT_EQ(18375, node->bandWidth);
}

TEST(BandRejectFiltering, MeasuredMagnitudeFollowsTheTransferFunction)
{
    for (double f : {50.0, 500.0, 800.0, 1000.0, 1200.0, 3000.0, 15000.0}) {
        SCOPED_TRACE(f);
        auto node = MadeFor(44100, 1000, 400);
        EXPECT_NEAR(ClosedFormMagnitude(44100, 1000, 400, f), SteadyPeak(*node, 44100, f), 2e-3);
    }
}

TEST(BandRejectFiltering, ConstantInputSettlesToItselfAndTheCentreDecays)
{
    auto node = MadeFor(44100, 1000, 400);
    TestBuffers buffers(1, 5000);
    std::fill(buffers[0].begin(), buffers[0].end(), 1.0f);
    node->DoProcess(buffers.All());
    EXPECT_NEAR(1.0, buffers[0].back(), 1e-6);

    auto centre = MadeFor(44100, 1000, 400);
    EXPECT_LT(SteadyPeak(*centre, 44100, 1000.0), 1e-4);
}

TEST(BandRejectFiltering, OutputDoesNotDependOnHowTheStreamIsCut)
{
    TestBuffers whole(3, 3000);
    whole.FillNoise(7);
    TestBuffers cut = whole;

    auto one = MadeFor(44100, 1000, 400, 3);
    one->DoProcess(whole.All());

    auto pieces = MadeFor(44100, 1000, 400, 3);
    std::mt19937 random(11);
    for (int offset = 0; offset < 3000;) {
        const int count = std::min<int>(3000 - offset, std::uniform_int_distribution<int>(0, 300)(random));
        pieces->DoProcess(cut.View(offset, count));
        offset += count;
    }
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(0, std::memcmp(whole[k].data(), cut[k].data(), 3000 * sizeof(float))) << "channel " << k;  // NOLINT(bugprone-suspicious-memory-comparison): the bit patterns must match
}

TEST(BandRejectFiltering, SetFormatClearsTheHistory)
{
    auto node = MadeFor(44100, 1000, 400, 2);
    TestBuffers buffers(2, 100);
    buffers.FillNoise(3);
    node->DoProcess(buffers.All());

    const AudioFormat format = MakeFormat(44100, 2);
    node->SetFormat(&format);
    TestBuffers next(2, 1);
    next[0][0] = 0.75f;
    next[1][0] = -0.25f;
    node->DoProcess(next.All());
    EXPECT_EQ(static_cast<float>(node->Coeffs().a0 * 0.75), next[0][0]);
    EXPECT_EQ(static_cast<float>(node->Coeffs().a0 * -0.25), next[1][0]);
}

TEST(BandRejectFiltering, CentreAboveFiveEleventhsOfTheRatePassesBlocksThrough)
{
    TestBuffers buffers(1, 64);
    buffers.FillNoise(5);
    const std::vector<float> input = buffers[0];

    auto low = MadeFor(22050, 20000, 400);
    low->DoProcess(buffers.All());
    EXPECT_EQ(input, buffers[0]);

    auto high = MadeFor(44100, 20000, 400);
    high->DoProcess(buffers.All());
    EXPECT_NE(input, buffers[0]);
}

TEST(BandRejectFiltering, TheCentreTestReadsTheCurrentValueOnEveryBlock)
{
    auto node = MadeFor(44100, 1000, 400);
    node->cutOffFreq = 30000;
    TestBuffers buffers(1, 32);
    buffers.FillNoise(9);
    const std::vector<float> input = buffers[0];
    node->DoProcess(buffers.All());
    EXPECT_EQ(input, buffers[0]);
    node->cutOffFreq = 1000;
    node->DoProcess(buffers.All());
    EXPECT_NE(input, buffers[0]);
}

TEST(BandRejectFiltering, EmptyBlocksChangeNeitherSamplesNorHistory)
{
    auto node = MadeFor(44100, 1000, 400);
    TestBuffers buffers(1, 50);
    buffers.FillNoise(1);
    node->DoProcess(buffers.All());
    const BandRejectNode::ChannelHistory before = node->History(0);

    TestBuffers untouched(1, 4);
    untouched[0] = {1, 2, 3, 4};
    node->DoProcess(untouched.View(0, 0));
    SampleBlock noChannels{};
    noChannels.sampleCount = 4;
    node->DoProcess(noChannels);

    EXPECT_EQ((std::vector<float>{1, 2, 3, 4}), untouched[0]);
    EXPECT_EQ(0, std::memcmp(&before, &node->History(0), sizeof before));  // NOLINT(bugprone-suspicious-memory-comparison): the bit patterns must match
}

TEST(BandRejectFiltering, AZeroSampleRateLeavesSamplesUnfilteredAndFinite)
{
    auto node = MadeFor(0, 1000, 400);
    TestBuffers buffers(1, 16);
    buffers.FillNoise(2);
    const std::vector<float> input = buffers[0];
    node->DoProcess(buffers.All());
    EXPECT_EQ(input, buffers[0]);
}

TEST(BandRejectFiltering, ANonFiniteSampleDoesNotPoisonLaterBlocks)
{
    for (float bad : {NAN, INFINITY, -INFINITY}) {
        SCOPED_TRACE(bad);
        auto node = MadeFor(44100, 1000, 400);
        TestBuffers first(1, 100);
        first.FillNoise(4);
        first[0][50] = bad;
        node->DoProcess(first.All());

        TestBuffers second(1, 100);
        second.FillNoise(6);
        node->DoProcess(second.All());
        for (float sample : second[0])
            ASSERT_TRUE(std::isfinite(sample));
    }
}

TEST(BandRejectChannels, ChannelsAreIndependentAndEachHasItsOwnHistory)
{
    auto node = MadeFor(44100, 1000, 400, 4);
    TestBuffers buffers(4, 200);
    buffers[2][0] = 1.0f;
    node->DoProcess(buffers.All());
    for (int k : {0, 1, 3})
        EXPECT_EQ(std::vector<float>(200, 0.0f), buffers[k]) << "channel " << k;
    EXPECT_NE(std::vector<float>(200, 0.0f), buffers[2]);
}

TEST(BandRejectChannels, ChannelsBeyondTheHistorySlotsAreLeftUntouched)
{
    auto tenSlots = MadeFor(44100, 1000, 400, 2);
    EXPECT_EQ(BandRejectNode::kMinHistorySlots, tenSlots->HistorySlots());
    TestBuffers buffers(12, 32);
    buffers.FillNoise(8);
    const std::vector<float> eleventh = buffers[10], twelfth = buffers[11], first = buffers[0];
    tenSlots->DoProcess(buffers.All());
    EXPECT_EQ(eleventh, buffers[10]);
    EXPECT_EQ(twelfth, buffers[11]);
    EXPECT_NE(first, buffers[0]);

    auto twelveSlots = MadeFor(44100, 1000, 400, 12);
    EXPECT_EQ(12, twelveSlots->HistorySlots());
    twelveSlots->DoProcess(buffers.All());
    EXPECT_NE(twelfth, buffers[11]);
}

}  // namespace
