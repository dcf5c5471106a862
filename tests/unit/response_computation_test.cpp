#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

#include "dsp/band_reject_node.h"
#include "dsp/chain.h"
#include "dsp/fp_state.h"
#include "dsp/gain_node.h"
#include "ui/graph_layout.h"
#include "ui/response_computation.h"

namespace {

constexpr double kPi = 3.141592653589793;
const double kSilence = 4.0 * std::log10(0.00001);

EffectSettings Settings(double level, uint32_t centre, uint32_t bandwidth)
{
    EffectSettings settings{};
    settings.dryOut = level;
    settings.cutOffFreq = centre;
    settings.bandWidth = bandwidth;
    return settings;
}

// The dialog's private chain: built once, released at the end.
class PreviewChain {
public:
    PreviewChain() : record_(Settings(1.0, 1000, 400))
    {
        if (!BuildChain(&record_))
            throw std::bad_alloc();
    }
    ~PreviewChain() { ReleaseChain(&record_); }
    EffectSettings& Record() { return record_; }

private:
    EffectSettings record_;
};

ResponseCurve Measure(const EffectSettings& settings)
{
    PreviewChain chain;
    ResponseCurve curve;
    MeasureResponse(settings, chain.Record(), curve);
    return curve;
}

double ToneFrequency(int n) { return 20.0 * std::pow(10.0, 0.03 * n); }

// |H(e^jw)| of the notch, straight from its transfer function.
double NotchMagnitude(double frequency, double centre, double bandwidth, double rate)
{
    const double t = std::tan(kPi * bandwidth / rate);
    const double c2 = 2.0 * std::cos(2.0 * kPi * centre / rate);
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * frequency / rate);
    const std::complex<double> numerator = 1.0 - c2 * z1 + z1 * z1;
    const std::complex<double> denominator = (1.0 + t) - c2 * z1 + (1.0 - t) * z1 * z1;
    return std::abs(numerator / denominator);
}

// The measurement written out plainly: each tone's sines computed as it is played, through a
// chain built for the occasion.
ResponseCurve StraightforwardCurve(const EffectSettings& settings)
{
    EffectSettings record = settings;
    record.headNode = nullptr;
    record.filterNode = nullptr;
    if (!BuildChain(&record))
        throw std::bad_alloc();
    AudioFormat format{};
    format.nChannels = 1;
    format.nSamplesPerSec = 44100;
    record.headNode->SetFormat(&format);
    record.filterNode->SetFormat(&format);
    std::vector<float> samples(4000);
    float* channels[] = {samples.data()};
    const SampleBlock block{0, channels, channels + 1, channels + 1, 4000, 0, 0};
    ResponseCurve curve;
    for (double f = 20.0; f < 21000.0; f *= std::pow(10.0, 0.03)) {  // NOLINT(cert-flp30-c): the tones are this running product
        for (int i = 0; i < 4000; ++i)
            samples[i] = static_cast<float>(std::sin(i * f * 0.00014247585730565955));
        record.headNode->Process(block);
        double peak = 0.0;
        for (int i = 2205; i < 4000; ++i)
            if (std::fabs(static_cast<double>(samples[i])) > peak)
                peak = std::fabs(static_cast<double>(samples[i]));
        curve.Append(CurvePoint{std::log10(f) + 1.0, 4.0 * std::log10(peak + 0.00001), 0.0});
    }
    ReleaseChain(&record);
    return curve;
}

::testing::AssertionResult SameCurve(const ResponseCurve& expected, const ResponseCurve& actual)
{
    if (expected.Size() != actual.Size())
        return ::testing::AssertionFailure() << expected.Size() << " points expected, " << actual.Size() << " actual";
    for (size_t n = 0; n < expected.Size(); ++n)
        if (std::memcmp(&expected[n], &actual[n], sizeof(CurvePoint)) != 0)  // NOLINT(bugprone-suspicious-memory-comparison): the bit patterns must match
            return ::testing::AssertionFailure() << "tone " << n << ": expected (" << expected[n].x << ", "
                                                 << expected[n].y << "), actual (" << actual[n].x << ", "
                                                 << actual[n].y << ")";
    return ::testing::AssertionSuccess();
}

// The caller's MXCSR and x87 control word for a scope.
class CallerFpState {
public:
    CallerFpState(unsigned mxcsr, unsigned short x87) : savedMxcsr_(_mm_getcsr()), savedX87_(X87ControlWord())
    {
        _mm_setcsr(mxcsr);
        SetX87ControlWord(x87);
    }
    ~CallerFpState()
    {
        _mm_setcsr(savedMxcsr_);
        SetX87ControlWord(savedX87_);
    }

private:
    unsigned savedMxcsr_;
    unsigned short savedX87_;
};

// First in the program, so that the tones, computed once, are computed under a caller's state.
TEST(ResponseComputationTest, TheCurveIsTheSameWhateverFloatingPointStateTheCallerLeft)
{
    const struct {
        unsigned mxcsr;
        unsigned short x87;
    } states[] = {{0x1F80 | 0x6000, 0x007F}, {0x1F80 | 0x4000, 0x0C7F}, {0x1F80 | 0x2000, 0x0B7F},
                  {0x1F80, 0x067F},          {0x1F80 | 0x0040, 0x027F}};
    const EffectSettings rows[] = {Settings(1.0, 1000, 400), Settings(0.7, 2500, 300), Settings(0.5, 15000, 9000)};
    for (const auto& state : states)
        for (const EffectSettings& row : rows) {
            SCOPED_TRACE(testing::Message() << "MXCSR 0x" << std::hex << state.mxcsr << ", x87 0x" << state.x87
                                            << std::dec << ", centre " << row.cutOffFreq);
            ResponseCurve curve;
            {
                PreviewChain chain;
                const CallerFpState caller(state.mxcsr, state.x87);
                MeasureResponse(row, chain.Record(), curve);
            }
            EXPECT_TRUE(SameCurve(StraightforwardCurve(row), curve));
        }
}

TEST(ResponseComputationTest, DefaultSettingsReproduceThePublishedNotch)
{
    const ResponseCurve curve = Measure(Settings(1.0, 1000, 400));
    ASSERT_EQ(101u, curve.Size());
    size_t lowest = 0;
    for (size_t n = 1; n < curve.Size(); ++n)
        if (curve[n].y < curve[lowest].y)
            lowest = n;
    EXPECT_EQ(57u, lowest);
    EXPECT_NEAR(-3.60, curve[57].y, 0.005);
    EXPECT_NEAR(-2.68, curve[56].y, 0.005);
    EXPECT_NEAR(-1.48, curve[58].y, 0.005);
    EXPECT_NEAR(0.0, curve[0].y, 0.0001);
    EXPECT_NEAR(0.0, curve[100].y, 0.0001);
    EXPECT_NEAR(2.30103, curve[0].x, 0.000005);
    EXPECT_NEAR(5.30103, curve[100].x, 0.000005);
    for (const CurvePoint& point : curve)
        EXPECT_EQ(0.0, point.z);
}

TEST(ResponseComputationTest, PointsAreTheTonesThreeHundredthsOfADecadeApart)
{
    const ResponseCurve curve = Measure(Settings(1.0, 1000, 400));
    ASSERT_EQ(101u, curve.Size());
    for (int n = 0; n < 101; ++n) {
        SCOPED_TRACE(testing::Message() << "tone " << n);
        EXPECT_NEAR(std::log10(ToneFrequency(n)) + 1.0, curve[n].x, 1e-9);
    }
}

TEST(ResponseComputationTest, MeasuredLevelsFollowTheClosedFormMagnitude)
{
    const struct {
        double level;
        uint32_t centre, bandwidth;
    } rows[] = {{1.0, 1000, 400}, {0.7, 250, 100}, {1.0, 12000, 3000}, {0.3, 5000, 50}};
    for (const auto& row : rows) {
        const ResponseCurve curve = Measure(Settings(row.level, row.centre, row.bandwidth));
        ASSERT_EQ(101u, curve.Size());
        for (int n = 0; n < 101; ++n) {
            SCOPED_TRACE(testing::Message() << "centre " << row.centre << " bandwidth " << row.bandwidth
                                            << " tone " << n << " at " << ToneFrequency(n) << " Hz");
            const double peak =
                row.level * NotchMagnitude(ToneFrequency(n), row.centre, row.bandwidth, 44100.0);
            EXPECT_NEAR(4.0 * std::log10(peak + 0.00001), curve[n].y, 0.01);
        }
    }
}

TEST(ResponseComputationTest, LevelZeroIsSilenceEverywhere)
{
    const ResponseCurve curve = Measure(Settings(0.0, 1000, 400));
    ASSERT_EQ(101u, curve.Size());
    for (const CurvePoint& point : curve)
        EXPECT_DOUBLE_EQ(kSilence, point.y);
}

TEST(ResponseComputationTest, HalfLevelIsMinusSixDecibelsAwayFromTheNotch)
{
    const ResponseCurve curve = Measure(Settings(0.5, 1000, 400));
    ASSERT_EQ(101u, curve.Size());
    const double expected = 4.0 * std::log10(0.5);
    for (int n : {0, 1, 2, 3, 97, 98, 99, 100}) {
        SCOPED_TRACE(testing::Message() << "tone " << n);
        EXPECT_NEAR(expected, curve[n].y, 0.002);
    }
    EXPECT_NEAR(-1.204, curve[0].y, 0.001);
}

TEST(ResponseComputationTest, AlwaysOneHundredAndOnePointsReplacingTheOldCurve)
{
    // The last rows are records no dialog would write; they still give a full curve.
    const struct {
        EffectSettings settings;
        bool sane;
    } rows[] = {{Settings(1.0, 30, 1), true},       {Settings(1.0, 20000, 5000), true},
                {Settings(0.01, 100, 5000), true},  {Settings(1.0, 0, 400), true},
                {Settings(1.0, 1000, 0), false},     {Settings(2.0, 0xffffffffu, 0xffffffffu), false},
                {Settings(0.25, 22050, 22050), false}};
    PreviewChain chain;
    ResponseCurve curve;
    for (int n = 0; n < 500; ++n)
        curve.Append(CurvePoint{-1.0, 99.0, 7.0});
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "centre " << row.settings.cutOffFreq << " bandwidth "
                                        << row.settings.bandWidth);
        MeasureResponse(row.settings, chain.Record(), curve);
        ASSERT_EQ(101u, curve.Size());
        EXPECT_NEAR(2.30103, curve[0].x, 0.000005);
        if (!row.sane)
            continue;
        for (const CurvePoint& point : curve) {
            EXPECT_TRUE(std::isfinite(point.y));
            EXPECT_GE(point.y, kSilence);
        }
    }
}

TEST(ResponseComputationTest, HistoryIsClearedOncePerComputation)
{
    PreviewChain chain;
    ResponseCurve first, again;
    MeasureResponse(Settings(1.0, 1000, 400), chain.Record(), first);
    // Leave a loud history in the filter between the two measurements.
    float loud[64];
    for (float& sample : loud)
        sample = 1000.0f;
    float* channels[] = {loud};
    SampleBlock block{};
    block.channelsBegin = channels;
    block.channelsEnd = channels + 1;
    block.channelsCapacityEnd = channels + 1;
    block.sampleCount = 64;
    chain.Record().headNode->Process(block);

    MeasureResponse(Settings(1.0, 1000, 400), chain.Record(), again);
    ASSERT_EQ(first.Size(), again.Size());
    for (size_t n = 0; n < first.Size(); ++n)
        EXPECT_EQ(first[n].y, again[n].y) << "tone " << n;
}

TEST(ResponseComputationTest, TheNodesTakeTheSettingsButThePreviewRecordKeepsItsOwn)
{
    PreviewChain chain;
    ResponseCurve curve;
    MeasureResponse(Settings(0.25, 3000, 700), chain.Record(), curve);
    EXPECT_EQ(0.25, HeadGain(&chain.Record())->gain);
    EXPECT_EQ(3000, chain.Record().filterNode->cutOffFreq);
    EXPECT_EQ(700, chain.Record().filterNode->bandWidth);
    EXPECT_EQ(1.0, chain.Record().dryOut);
    EXPECT_EQ(1000u, chain.Record().cutOffFreq);
    EXPECT_EQ(400u, chain.Record().bandWidth);
}

TEST(ResponseComputationTest, EveryPointHasTheBitsOfTheStraightforwardComputation)
{
    std::mt19937 random(404);
    std::vector<EffectSettings> rows = {Settings(1.0, 1000, 400), Settings(0.0, 1000, 400), Settings(1.0, 0, 0),
                                        Settings(0.8, 20000, 1), Settings(1.0, 0xffffffffu, 0xffffffffu)};
    for (int n = 0; n < 6; ++n)
        rows.push_back(Settings(std::uniform_real_distribution<double>(0.0, 1.0)(random),
                                std::uniform_int_distribution<uint32_t>(20, 20000)(random),
                                std::uniform_int_distribution<uint32_t>(1, 10000)(random)));
    // One preview chain for all rows, as a dialog measures commit after commit.
    PreviewChain chain;
    for (const EffectSettings& row : rows) {
        SCOPED_TRACE(testing::Message() << "level " << row.dryOut << ", centre " << row.cutOffFreq
                                        << ", bandwidth " << row.bandWidth);
        ResponseCurve fast;
        MeasureResponse(row, chain.Record(), fast);
        EXPECT_TRUE(SameCurve(StraightforwardCurve(row), fast));
    }
}

TEST(ResponseComputationTest, DefaultCurveRangesToTheDecadesTenHertzToOneHundredKilohertz)
{
    const GraphRange range = AutoRange(Measure(Settings(1.0, 1000, 400)));
    EXPECT_EQ(2, range.xMin);
    EXPECT_EQ(6, range.xMax);
    EXPECT_EQ(-4, range.yMin);
    EXPECT_EQ(1, range.yMax);
}

}  // namespace
