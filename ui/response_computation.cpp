#include "ui/response_computation.h"

#include <cmath>

#include "dsp/band_reject_node.h"
#include "dsp/chain.h"
#include "dsp/gain_node.h"
#include "dsp/sample_buffers.h"

namespace {
constexpr int kToneSamples = 4000;
constexpr int kFirstMeasured = 2205;  // the first 50 ms hold the filter's transient
constexpr uint32_t kSampleRate = 44100;
constexpr double kRadiansPerSampleHz = 0.00014247585730565955;  // 2 pi / 44100
constexpr double kFirstTone = 20.0;
constexpr double kToneLimit = 21000.0;
constexpr double kPeakFloor = 0.00001;  // silence reads as -20 units (-100 dB), not -infinity

double Peak(const float* samples)
{
    double peak = 0.0;
    for (int i = kFirstMeasured; i < kToneSamples; ++i) {
        const double magnitude = std::fabs(static_cast<double>(samples[i]));
        if (magnitude > peak)
            peak = magnitude;
    }
    return peak;
}
}  // namespace

void ComputeResponse(const EffectSettings& settings, EffectSettings& previewChain, ResponseCurve& curve)
{
    SampleBuffers buffers;
    buffers.AllocateBuffers(1, kToneSamples);
    float* samples = buffers.Channel(0);

    AudioFormat format{};
    format.nChannels = 1;
    format.nSamplesPerSec = kSampleRate;

    GainNode* gain = HeadGain(&previewChain);
    gain->gain = settings.dryOut;
    gain->SetFormat(&format);
    BandRejectNode* filter = previewChain.filterNode;
    filter->cutOffFreq = static_cast<int32_t>(settings.cutOffFreq);
    filter->bandWidth = static_cast<int32_t>(settings.bandWidth);
    filter->SetFormat(&format);

    curve.Clear();
    double f = kFirstTone;
    do {
        for (int i = 0; i < kToneSamples; ++i)
            samples[i] = static_cast<float>(std::sin(i * f * kRadiansPerSampleHz));
        const SampleBlock block = buffers.Block();
        gain->Process(block);
        curve.Append(CurvePoint{std::log10(f) + 1.0, 4.0 * std::log10(Peak(samples) + kPeakFloor), 0.0});
        f *= std::pow(10.0, 0.03);
    } while (f < kToneLimit);
}
