// effect-host make-hum OUT.wav: a short recording spoilt by a strong mains-style hum, and
// effect-host level IN.wav --at HZ[,HZ...]: how loud some frequencies are in a file.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "tools/effect-host/commands.h"
#include "tools/wav/wav_file.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

// Level of the tone at one frequency in one channel, in dB relative to a full-scale sine
// (Goertzel over windowed samples), fed a block at a time.
class ToneLevel {
public:
    ToneLevel(double frequency, double sampleRate) : coefficient_(2.0 * std::cos(2.0 * kPi * frequency / sampleRate)) {}

    void Add(const float* samples, const double* window, size_t count)
    {
        for (size_t i = 0; i < count; ++i) {
            const double s0 = window[i] * samples[i] + coefficient_ * s1_ - s2_;
            s2_ = s1_;
            s1_ = s0;
            windowSum_ += window[i];
        }
    }

    double Db() const
    {
        if (windowSum_ <= 0.0)
            return -INFINITY;  // NOLINT(bugprone-narrowing-conversions): float infinity widens exactly
        const double power = s1_ * s1_ + s2_ * s2_ - coefficient_ * s1_ * s2_;
        const double amplitude = 2.0 * std::sqrt(std::max(power, 0.0)) / windowSum_;
        return 20.0 * std::log10(amplitude + 1e-12);
    }

private:
    double coefficient_;
    double s1_ = 0.0, s2_ = 0.0;
    double windowSum_ = 0.0;
};

// A Hann window over the frames measured: a loud tone a few tens of hertz away, a note beside a
// hum's harmonic, leaks into the reading about 60 dB less than through a plain sum.
void HannWindow(uint64_t first, uint64_t total, std::vector<double>& window)
{
    for (size_t i = 0; i < window.size(); ++i)
        window[i] = 0.5 - 0.5 * std::cos(2.0 * kPi * (static_cast<double>(first + i) + 0.5) / static_cast<double>(total));
}

// A plucked note of half a second: it rises and falls away over 10 ms at its ends, as an
// abrupt start or stop would click, spreading the note over the hum's frequencies.
double NoteEnvelope(double age)
{
    const auto rise = [](double x) {
        const double s = std::sin(0.5 * kPi * std::min(x, 1.0));
        return s * s;
    };
    return std::exp(-4.0 * age) * rise(age / 0.01) * rise((0.5 - age) / 0.01);
}

// "50,100,150": each a frequency above 0 Hz.
std::vector<double> Frequencies(const std::string& list)
{
    std::vector<double> frequencies;
    for (size_t start = 0;;) {
        const size_t comma = std::min(list.find(',', start), list.size());
        const std::string text = list.substr(start, comma - start);
        char* end = nullptr;
        errno = 0;
        const double frequency = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || errno == ERANGE || !(frequency > 0.0) || !std::isfinite(frequency))
            throw UsageError("--at takes frequencies above 0 Hz separated by commas, not '" + list + "'");
        frequencies.push_back(frequency);
        if (comma == list.size())
            return frequencies;
        start = comma + 1;
    }
}
}  // namespace

int RunMakeHum(int argc, char** argv)
{
    Options options(argc, argv);
    options.Allow({"seconds", "rate", "hum", "harmonics"});
    if (options.Positional().size() != 1)
        throw UsageError("make-hum takes the output file: make-hum OUT.wav");
    const double seconds = options.Number("seconds", 4.0);
    const uint32_t rate = options.Unsigned("rate", 44100);
    const double hum = options.Number("hum", 1000.0);
    const uint32_t harmonics = options.Unsigned("harmonics", 1);
    if (seconds <= 0 || seconds > 3600 || rate < 8000 || rate > 384000)
        throw UsageError("--seconds takes 0 to 3600 and --rate 8000 to 384000");
    if (harmonics == 0 || harmonics > 64)
        throw UsageError("--harmonics takes 1 to 64");

    WavFormat format;
    format.channels = 2;
    format.sampleRate = rate;
    format.bitsPerSample = 16;
    const uint32_t total = static_cast<uint32_t>(seconds * rate);
    WavLayout layout;
    layout.format = format;
    layout.frames = total;
    WavWriter writer(options.Positional()[0], layout);

    // A slow arpeggio of plucked notes from the A at 440 Hz, clear of a mains hum's first
    // harmonics, with a little noise, under a hum at -9 dBFS whose harmonics fall as 1/h, as a
    // buzz's do.
    const double notes[] = {440.0, 554.37, 659.26, 880.0, 659.26, 554.37};
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
            const double music = 0.3 * NoteEnvelope(age) * std::sin(2.0 * kPi * notes[note] * t);
            double buzz = 0.0;
            for (uint32_t h = 1; h <= harmonics; ++h)
                buzz += 0.35 / h * std::sin(2.0 * kPi * h * hum * t);
            left[j] = static_cast<float>(music + buzz + noise(random));
            right[j] = static_cast<float>(0.8 * music + buzz + noise(random));
        }
        const float* channels[] = {left.data(), right.data()};
        writer.WriteFrames(channels, count);
    }
    writer.Finish();
    std::printf("wrote %s: %.1f s, %u Hz stereo, hum at %g Hz", options.Positional()[0].c_str(), seconds, rate, hum);
    if (harmonics > 1)
        std::printf(" with harmonics up to %g Hz", harmonics * hum);
    std::printf("\n");
    return 0;
}

int RunLevel(int argc, char** argv)
{
    Options options(argc, argv);
    options.Allow({"at"});
    if (options.Positional().size() != 1)
        throw UsageError("level takes one file: level IN.wav --at HZ[,HZ...]");
    const std::vector<double> frequencies = Frequencies(options.Text("at", "1000"));
    WavReader reader(options.Positional()[0]);
    const WavFormat& format = reader.Format();
    constexpr uint32_t kBlock = 4096;
    std::vector<std::vector<float>> buffers(format.channels, std::vector<float>(kBlock));
    std::vector<float*> pointers;
    pointers.reserve(buffers.size());
    for (auto& buffer : buffers)
        pointers.push_back(buffer.data());
    // levels[f * channels + k]: frequency f in channel k.
    std::vector<ToneLevel> levels;
    for (double frequency : frequencies)
        levels.insert(levels.end(), format.channels, ToneLevel(frequency, format.sampleRate));
    // The first 100 ms hold the filter's transient.
    uint64_t skip = format.sampleRate / 10;
    const uint64_t measured = reader.FrameCount() > skip ? reader.FrameCount() - skip : 0;
    uint64_t position = 0;
    std::vector<double> window;
    while (const uint32_t count = reader.ReadFrames(pointers.data(), kBlock)) {
        const uint32_t skipped = static_cast<uint32_t>(std::min<uint64_t>(skip, count));
        skip -= skipped;
        window.resize(count - skipped);
        HannWindow(position, measured, window);
        position += window.size();
        for (size_t j = 0; j < levels.size(); ++j)
            levels[j].Add(pointers[j % format.channels] + skipped, window.data(), window.size());
    }
    for (size_t j = 0; j < levels.size(); ++j)
        std::printf("%s: channel %zu: %g Hz at %.1f dB\n", options.Positional()[0].c_str(), j % format.channels + 1,
                    frequencies[j / format.channels], levels[j].Db());
    return 0;
}
