#include "ui/response_computation.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "dsp/chain.h"
#include "dsp/fp_state.h"
#include "dsp/sample_buffers.h"

namespace {
constexpr int kToneSamples = 4000;
constexpr int kFirstMeasured = 2205;  // the first 50 ms hold the filter's transient
constexpr uint32_t kSampleRate = 44100;
constexpr double kRadiansPerSampleHz = 0.00014247585730565955;  // 2 pi / 44100
constexpr double kFirstTone = 20.0;
constexpr double kToneLimit = 21000.0;
constexpr double kPeakFloor = 0.00001;  // silence reads as -20 units (-100 dB), not -infinity

struct TestTones {
    std::vector<double> frequencies;
    std::vector<float> samples;  // kToneSamples per tone, tone after tone
};

TestTones MakeTestTones()
{
    TestTones tones;
    for (double f = kFirstTone; f < kToneLimit; f *= std::pow(10.0, 0.03)) {  // NOLINT(cert-flp30-c): the tones are this running product
        tones.frequencies.push_back(f);
        for (int i = 0; i < kToneSamples; ++i)
            tones.samples.push_back(static_cast<float>(std::sin(i * f * kRadiansPerSampleHz)));
    }
    return tones;
}

// The tones depend on no setting, and their 404,000 sines cost three times what the filter
// does: they are computed on the first measurement and copied for every one after.
const TestTones& Tones()
{
    static const TestTones tones = MakeTestTones();
    return tones;
}

// The largest |sample| of the measured part, four at a time. A NaN sample never becomes the
// peak: MAXPS returns its second operand, the peak so far, when the first is NaN.
double Peak(const float* samples)
{
    const __m128 magnitudeBits = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    __m128 peaks = _mm_setzero_ps();
    int i = kFirstMeasured;
    for (; i + 4 <= kToneSamples; i += 4)
        peaks = _mm_max_ps(_mm_and_ps(_mm_loadu_ps(samples + i), magnitudeBits), peaks);
    float lanes[4];
    _mm_storeu_ps(lanes, peaks);
    double peak = 0.0;
    for (float lane : lanes)
        if (lane > peak)
            peak = lane;
    for (; i < kToneSamples; ++i) {
        const double magnitude = std::fabs(static_cast<double>(samples[i]));
        if (magnitude > peak)
            peak = magnitude;
    }
    return peak;
}
}  // namespace

void MeasureResponse(const EffectSettings& settings, EffectSettings& previewChain, ResponseCurve& curve)
{
    const FpStateScope state;
    const TestTones& tones = Tones();
    SampleBuffers buffers;
    buffers.AllocateBuffers(1, kToneSamples);
    float* samples = buffers.Channel(0);

    AudioFormat format{};
    format.nChannels = 1;
    format.nSamplesPerSec = kSampleRate;

    PrepareChain(previewChain, settings, &format);

    curve.Clear();
    for (size_t n = 0; n < tones.frequencies.size(); ++n) {
        std::memcpy(samples, tones.samples.data() + n * kToneSamples, kToneSamples * sizeof(float));
        const SampleBlock block = buffers.Block();
        RunChain(previewChain, block);
        curve.Append(CurvePoint{std::log10(tones.frequencies[n]) + 1.0, 4.0 * std::log10(Peak(samples) + kPeakFloor),
                                0.0});
    }
}
