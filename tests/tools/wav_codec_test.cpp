#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "support/wav_builder.h"
#include "g711.h"
#include "sample_codec.h"
#include "wav_file.h"

namespace {

TEST(G711, EveryCodeDecodesToItsTableValueAndEncodesBackToItself)
{
    for (int code = 0; code < 256; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(G711ALawValue(static_cast<uint8_t>(code)), ALawToLinear(static_cast<uint8_t>(code)));
        EXPECT_EQ(G711MuLawValue(static_cast<uint8_t>(code)), MuLawToLinear(static_cast<uint8_t>(code)));
        EXPECT_EQ(code, LinearToALaw(ALawToLinear(static_cast<uint8_t>(code))));
        // µ-law has two zeros; 0 encodes as the positive one.
        EXPECT_EQ(code == 0x7F ? 0xFF : code, LinearToMuLaw(MuLawToLinear(static_cast<uint8_t>(code))));
    }
}

TEST(G711, EncodingIsMonotonicAndSaturatesAtTheEnds)
{
    int previousA = ALawToLinear(LinearToALaw(-32768)), previousMu = MuLawToLinear(LinearToMuLaw(-32768));
    EXPECT_EQ(-32256, previousA);
    EXPECT_EQ(-32124, previousMu);
    for (int value = -32767; value <= 32767; ++value) {
        const int a = ALawToLinear(LinearToALaw(static_cast<int16_t>(value)));
        const int mu = MuLawToLinear(LinearToMuLaw(static_cast<int16_t>(value)));
        ASSERT_GE(a, previousA) << value;
        ASSERT_GE(mu, previousMu) << value;
        previousA = a;
        previousMu = mu;
    }
    EXPECT_EQ(32256, previousA);
    EXPECT_EQ(32124, previousMu);
}

WavFormat Format(SampleEncoding encoding, uint16_t bits, uint16_t channels = 1)
{
    WavFormat format;
    format.encoding = encoding;
    format.bitsPerSample = bits;
    format.channels = channels;
    format.sampleRate = 48000;
    return format;
}

// The readable rule the fast conversion must match bit for bit: round to nearest, ties to
// even, and limit to the range.
int64_t ReferenceValue(float sample, int bits)
{
    const double scale = std::ldexp(1.0, bits - 1);
    if (std::isnan(sample))
        return 0;
    const double rounded = std::nearbyint(sample * scale);
    return static_cast<int64_t>(std::max(-scale, std::min(scale - 1, rounded)));
}

int64_t StoredValue(const std::vector<uint8_t>& bytes, size_t index, int bits)
{
    const int size = bits / 8;
    uint64_t raw = 0;
    for (int b = size - 1; b >= 0; --b)
        raw = raw << 8 | bytes[index * size + b];
    if (bits == 8)
        return static_cast<int64_t>(raw) - 128;
    const int64_t sign = int64_t(1) << (bits - 1);
    return static_cast<int64_t>(raw ^ sign) - sign;
}

TEST(SampleCodec, IntegerEncodingRoundsAsNearbyintDoesAndCountsOnlyRealClipping)
{
    std::vector<float> samples = {0.0f, -0.0f, 0.5f / 32768, 1.5f / 32768, -2.5f / 32768, 1.0f, -1.0f,
                                  32767.0f / 32768, 32767.5f / 32768, -32768.5f / 32768, 1.0000001f, -1.0000001f,
                                  std::nextafter(1.0f, 0.0f), 3.0f, -1e30f, 1e30f, 1e-40f,
                                  std::numeric_limits<float>::quiet_NaN()};
    for (const int bits : {8, 16, 24})
        for (const double edge : {0.5, -0.5, 1.0, -1.0, 1.5, -1.5}) {
            const double end = edge > 0 ? std::ldexp(1.0, bits - 1) - 1 : -std::ldexp(1.0, bits - 1);
            samples.push_back(static_cast<float>(std::ldexp(end + edge, 1 - bits)));
        }
    std::mt19937 random(5);
    std::uniform_real_distribution<float> anywhere(-1.1f, 1.1f);
    for (int i = 0; i < 20000; ++i)
        samples.push_back(anywhere(random));
    const float* channels[] = {samples.data()};
    for (const int bits : {8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        std::vector<uint8_t> bytes(samples.size() * bits / 8);
        SampleEncoder encoder(Format(SampleEncoding::Pcm, static_cast<uint16_t>(bits)));
        const uint64_t clipped = encoder.Encode(channels, static_cast<uint32_t>(samples.size()), bytes.data());
        uint64_t outside = 0;
        for (size_t i = 0; i < samples.size(); ++i) {
            ASSERT_EQ(ReferenceValue(samples[i], bits), StoredValue(bytes, i, bits)) << i << " " << samples[i];
            const double scaled = std::nearbyint(static_cast<double>(samples[i]) * std::ldexp(1.0, bits - 1));
            // +1.0 is the float that stands for the largest 32-bit value.
            const double top = bits == 32 ? std::ldexp(1.0, 31) : std::ldexp(1.0, bits - 1) - 1;
            outside += !(scaled <= top && scaled >= -std::ldexp(1.0, bits - 1));
        }
        EXPECT_EQ(outside, clipped);
    }
}

TEST(SampleCodec, IntegerSamplesSurviveDecodingAndEncodingUnchanged)
{
    for (const int bits : {8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        const WavFormat format = Format(SampleEncoding::Pcm, static_cast<uint16_t>(bits), 3);
        std::vector<uint8_t> in(3 * 600 * bits / 8);
        std::mt19937 random(bits);
        for (uint8_t& byte : in)
            byte = static_cast<uint8_t>(random());
        // A float holds 24 significant bits: 32-bit samples keep only those.
        for (size_t i = 0; bits == 32 && i < in.size(); i += 4)
            in[i] = 0;
        // The extremes of the range; the largest 32-bit value comes back through +1.0.
        std::memset(in.data(), 0xFF, bits / 8);
        in[bits / 8 - 1] = bits == 8 ? 0xFF : 0x7F;
        std::memset(in.data() + bits / 8, 0, bits / 8);
        in[2 * bits / 8 - 1] = 0x80;
        std::vector<float> a(600), b(600), c(600);
        float* channels[] = {a.data(), b.data(), c.data()};
        DecodeFrames(format, in.data(), channels, 600);
        std::vector<uint8_t> out(in.size());
        EXPECT_EQ(0u, SampleEncoder(format).Encode(channels, 600, out.data()));
        EXPECT_EQ(in, out);
    }
}

TEST(SampleCodec, FloatAndCompandedSamplesConvertExactly)
{
    const std::vector<double> values = {0.0, -0.25, 1.0 / 3.0, 1e-300, 7.5, -1e300};
    std::vector<uint8_t> in(values.size() * 8);
    std::memcpy(in.data(), values.data(), in.size());
    std::vector<float> decoded(values.size());
    float* channels[] = {decoded.data()};
    DecodeFrames(Format(SampleEncoding::Float, 64), in.data(), channels, static_cast<uint32_t>(values.size()));
    std::vector<uint8_t> out(in.size());
    SampleEncoder(Format(SampleEncoding::Float, 64)).Encode(channels, static_cast<uint32_t>(values.size()), out.data());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(static_cast<float>(values[i]), decoded[i]);
        double written;
        std::memcpy(&written, &out[i * 8], 8);
        EXPECT_EQ(static_cast<double>(decoded[i]), written);
    }

    std::vector<uint8_t> codes(256);
    for (int code = 0; code < 256; ++code)
        codes[code] = static_cast<uint8_t>(code);
    std::vector<float> samples(256);
    channels[0] = samples.data();
    for (const SampleEncoding law : {SampleEncoding::ALaw, SampleEncoding::MuLaw}) {
        DecodeFrames(Format(law, 8), codes.data(), channels, 256);
        for (int code = 0; code < 256; ++code)
            ASSERT_EQ((law == SampleEncoding::ALaw ? G711ALawValue(code) : G711MuLawValue(code)) / 32768.0f, samples[code]);
        std::vector<uint8_t> again(256);
        EXPECT_EQ(0u, SampleEncoder(Format(law, 8)).Encode(channels, 256, again.data()));
        again[0x7F] = law == SampleEncoding::MuLaw ? 0x7F : again[0x7F];
        EXPECT_EQ(codes, again);
    }
}

}  // namespace

TEST(WavWriter, AnOutputPastRiffSizesIsRf64BeforeTheFirstSample)
{
    WavLayout layout;
    layout.format.encoding = SampleEncoding::Float;
    layout.format.channels = 2;
    layout.format.sampleRate = 48000;
    layout.format.bitsPerSample = 32;
    const uint64_t framesThatFit = (0xFFFFFFFFULL - 4096) / layout.format.BytesPerFrame();
    const uint64_t framesPastRiff = 0x100000000ULL / layout.format.BytesPerFrame();
    for (uint64_t frames : {framesThatFit, framesPastRiff}) {
        SCOPED_TRACE(frames);
        layout.frames = frames;
        const WavWriter writer("large.wav", layout);
        EXPECT_EQ(frames == framesThatFit ? WavContainer::Riff : WavContainer::Rf64, writer.Container());
    }
    // An unfinished writer leaves nothing behind, nor does one whose constructor fails: here the
    // chunks to copy before the audio come from a file that has gone.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("large.wav.partial"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("large.wav"));
    layout.chunkSource = "gone.wav";
    layout.chunks = {WavChunk{"LIST", 12, 4, false}};
    EXPECT_THROW(WavWriter("large.wav", layout), WavError);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("large.wav.partial"));
}

// 64-bit sizes near the top of their range, from ds64 or a Wave64 header, would wrap past the
// end of the file and send the walk back over the same chunks for ever.
TEST(WavReader, SizesBeyondTheFileEndTheWalkWhateverTheirWidth)
{
    WavBuilder wav;
    wav.fmt = FmtBody(1, 1, 8000, 16);
    wav.data = std::string(200, '\x11');
    for (const char* container : {"RF64", "W64"}) {
        SCOPED_TRACE(container);
        wav.container = container;
        std::string file = wav.Build();
        const bool w64 = wav.container == "W64";
        const size_t dataSize = w64 ? file.find(W64Id("data")) + 16 : 28;
        for (int b = 0; b < 8; ++b)
            file[dataSize + b] = '\xFF';
        const std::string path = std::string("huge-") + container + ".wav";
        {
            FileHandle out(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            DWORD written = 0;
            ASSERT_TRUE(WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &written, nullptr));
        }
        const WavReader reader(path);
        EXPECT_EQ(100u, reader.FrameCount());
        EXPECT_NE(std::string::npos, reader.Warning().find("the file holds 100;")) << reader.Warning();
        DeleteFileA(path.c_str());
    }
}
