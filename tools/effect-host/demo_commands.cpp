// effect-host make-hum OUT.wav: a short recording spoilt by a strong mains-style hum, and
// effect-host level IN.wav --at HZ: how loud one frequency is in a file.
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "commands.h"
#include "wav_file.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

// Level of the tone at one frequency in one channel, in dB relative to a full-scale sine
// (Goertzel), fed a block at a time.
class ToneLevel {
public:
    ToneLevel(double frequency, double sampleRate) : coefficient_(2.0 * std::cos(2.0 * kPi * frequency / sampleRate)) {}

    void Add(const float* samples, size_t count)
    {
        for (size_t i = 0; i < count; ++i) {
            const double s0 = samples[i] + coefficient_ * s1_ - s2_;
            s2_ = s1_;
            s1_ = s0;
        }
        n_ += count;
    }

    double Db() const
    {
        if (n_ == 0)
            return -INFINITY;  // NOLINT(bugprone-narrowing-conversions): float infinity widens exactly
        const double power = s1_ * s1_ + s2_ * s2_ - coefficient_ * s1_ * s2_;
        const double amplitude = 2.0 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(n_);
        return 20.0 * std::log10(amplitude + 1e-12);
    }

private:
    double coefficient_;
    double s1_ = 0.0, s2_ = 0.0;
    uint64_t n_ = 0;
};
}  // namespace

int RunMakeHum(int argc, char** argv)
{
    Options options(argc, argv);
    options.Allow({"seconds", "rate", "hum"});
    if (options.Positional().size() != 1)
        throw UsageError("make-hum takes the output file: make-hum OUT.wav");
    const double seconds = options.Number("seconds", 4.0);
    const uint32_t rate = options.Unsigned("rate", 44100);
    const double hum = options.Number("hum", 1000.0);
    if (seconds <= 0 || seconds > 3600 || rate < 8000 || rate > 384000)
        throw UsageError("--seconds takes 0 to 3600 and --rate 8000 to 384000");

    WavFormat format;
    format.channels = 2;
    format.sampleRate = rate;
    format.bitsPerSample = 16;
    const uint32_t total = static_cast<uint32_t>(seconds * rate);
    WavLayout layout;
    layout.format = format;
    layout.frames = total;
    WavWriter writer(options.Positional()[0], layout);

    // A slow arpeggio of plucked notes with a little noise, under a hum at -9 dBFS.
    const double notes[] = {220.0, 277.18, 329.63, 440.0, 329.63, 277.18};
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0.0, 0.01);
    const uint32_t chunk = 4096;
    std::vector<float> left(chunk), right(chunk);
    for (uint32_t start = 0; start < total; start += chunk) {
        const uint32_t count = std::min(chunk, total - start);
        for (uint32_t j = 0; j < count; ++j) {
            const double t = static_cast<double>(start + j) / rate;
            const int note = static_cast<int>(t * 2.0) % 6;
            const double age = std::fmod(t, 0.5);
            const double music = 0.3 * std::exp(-4.0 * age) * std::sin(2.0 * kPi * notes[note] * t);
            const double buzz = 0.35 * std::sin(2.0 * kPi * hum * t);
            left[j] = static_cast<float>(music + buzz + noise(random));
            right[j] = static_cast<float>(0.8 * music + buzz + noise(random));
        }
        const float* channels[] = {left.data(), right.data()};
        writer.WriteFrames(channels, count);
    }
    writer.Finish();
    std::printf("wrote %s: %.1f s, %u Hz stereo, hum at %g Hz\n", options.Positional()[0].c_str(), seconds, rate, hum);
    return 0;
}

int RunLevel(int argc, char** argv)
{
    Options options(argc, argv);
    options.Allow({"at"});
    if (options.Positional().size() != 1)
        throw UsageError("level takes one file: level IN.wav --at HZ");
    const double frequency = options.Number("at", 1000.0);
    WavReader reader(options.Positional()[0]);
    const WavFormat& format = reader.Format();
    constexpr uint32_t kBlock = 4096;
    std::vector<std::vector<float>> buffers(format.channels, std::vector<float>(kBlock));
    std::vector<float*> pointers;
    pointers.reserve(buffers.size());
    for (auto& buffer : buffers)
        pointers.push_back(buffer.data());
    std::vector<ToneLevel> levels(format.channels, ToneLevel(frequency, format.sampleRate));
    // The first 100 ms hold the filter's transient.
    uint64_t skip = format.sampleRate / 10;
    while (const uint32_t count = reader.ReadFrames(pointers.data(), kBlock)) {
        const uint32_t skipped = static_cast<uint32_t>(std::min<uint64_t>(skip, count));
        skip -= skipped;
        for (size_t k = 0; k < levels.size(); ++k)
            levels[k].Add(pointers[k] + skipped, count - skipped);
    }
    for (size_t k = 0; k < levels.size(); ++k)
        std::printf("%s: channel %zu: %g Hz at %.1f dB\n", options.Positional()[0].c_str(), k + 1, frequency,
                    levels[k].Db());
    return 0;
}
