// effect-host process on the files other software writes: containers, encodings, chunks,
// recordings cut short, in-place and batch runs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "tests/support/effect_host_runner.h"
#include "tests/support/reference_filter.h"
#include "tests/support/scratch_folder_test.h"
#include "tests/support/wav_builder.h"

namespace {

constexpr double kDefaultGain = 1.000015259254738;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Interleaved random samples of an integer format: the values and their bytes.
struct Audio {
    std::vector<std::vector<float>> channels;
    std::string bytes;
};

Audio IntegerAudio(uint16_t channelCount, uint32_t frames, int bits, uint32_t seed, int zeroLowBits = 0)
{
    Audio audio;
    audio.channels.assign(channelCount, std::vector<float>(frames));
    std::mt19937 random(seed);
    const int32_t limit = (1 << (bits - 1)) - 1;
    std::uniform_int_distribution<int32_t> value(-limit / 2, limit / 2);
    for (uint32_t j = 0; j < frames; ++j)
        for (uint16_t k = 0; k < channelCount; ++k) {
            const int32_t v = value(random) & ~((1 << zeroLowBits) - 1);
            audio.channels[k][j] = static_cast<float>(std::ldexp(static_cast<double>(v), 1 - bits));
            PutLe(audio.bytes, static_cast<uint32_t>(bits == 8 ? v + 128 : v), bits / 8);
        }
    return audio;
}

Audio CodeAudio(uint16_t channelCount, uint32_t frames, int (*decode)(uint8_t))
{
    Audio audio;
    audio.channels.assign(channelCount, std::vector<float>(frames));
    for (uint32_t j = 0; j < frames; ++j)
        for (uint16_t k = 0; k < channelCount; ++k) {
            const uint8_t code = static_cast<uint8_t>(j * 7 + k * 31);
            audio.channels[k][j] = decode(code) / 32768.0f;
            audio.bytes += static_cast<char>(code);
        }
    return audio;
}

Audio Float64Audio(uint16_t channelCount, uint32_t frames)
{
    Audio audio;
    audio.channels.assign(channelCount, std::vector<float>(frames));
    std::mt19937 random(3);
    std::uniform_real_distribution<double> value(-0.9, 0.9);
    for (uint32_t j = 0; j < frames; ++j)
        for (uint16_t k = 0; k < channelCount; ++k) {
            const double v = value(random);
            audio.channels[k][j] = static_cast<float>(v);
            uint64_t bits;
            std::memcpy(&bits, &v, 8);
            PutLe(audio.bytes, bits, 8);
        }
    return audio;
}

// The 32-bit float samples of effect-host's default output.
std::vector<std::vector<float>> FloatSamples(const std::string& file, uint16_t channels)
{
    const std::string data = ChunkBody(file, "data");
    std::vector<std::vector<float>> samples(channels, std::vector<float>(data.size() / 4 / channels));
    for (size_t i = 0; i < data.size() / 4; ++i)
        std::memcpy(&samples[i % channels][i / channels], &data[i * 4], 4);
    return samples;
}

void ExpectFiltered(const std::vector<std::vector<float>>& input, const std::string& output, size_t frames,
                    uint32_t rate = 44100)
{
    const auto samples = FloatSamples(output, static_cast<uint16_t>(input.size()));
    ASSERT_EQ(input.size(), samples.size());
    for (size_t k = 0; k < input.size(); ++k) {
        const std::vector<float> there(input[k].begin(), input[k].begin() + static_cast<std::ptrdiff_t>(frames));
        ASSERT_EQ(ReferenceStream(there, rate, 1000, 400, kDefaultGain), samples[k]) << "channel " << k;
    }
}

size_t Lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

class WavFiles : public ScratchFolderTest {};

TEST_F(WavFiles, RecordingsCutShortGiveTheWholeFramesThatAreThereWithOneWarning)
{
    const Audio audio = IntegerAudio(2, 1000, 16, 1);
    WavBuilder wav;
    wav.fmt = FmtBody(1, 2, 44100, 16);
    wav.data = audio.bytes;
    const std::string complete = wav.Build();
    const size_t dataSizeField = complete.size() - audio.bytes.size() - 4;
    struct Case {
        const char* name;
        uint32_t dataSize;
        size_t cut;
        size_t frames;
        const char* announced;
    };
    // sox and arecord writing to a pipe, a recording stopped while it was written, a partial frame.
    const Case cases[] = {{"sox-pipe", 0x7FFFF000u, 0, 1000, "2147479552 bytes (536869888 whole frames)"},
                          {"arecord-pipe", 0x80000000u, 0, 1000, "2147483648 bytes (536870912 whole frames)"},
                          {"cut-off", 4000, 9, 997, "4000 bytes (1000 whole frames)"},
                          {"partial-frame", 3998, 2, 999, "3998 bytes (999 whole frames)"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = complete.substr(0, complete.size() - c.cut);
        for (int b = 0; b < 4; ++b)
            file[dataSizeField + b] = static_cast<char>(c.dataSize >> (8 * b));
        const std::string in = Write(std::string(c.name) + ".wav", file);
        const std::string out = folder + c.name + "-out.wav";
        const RunResult run = RunEffectHost("process " + Quoted(in) + " " + Quoted(out));
        ASSERT_EQ(0u, run.exitCode) << run.output;
        EXPECT_EQ(2u, Lines(run.output)) << run.output;
        EXPECT_NE(std::string::npos, run.output.find(std::string("warning: ") + in + ": the data chunk announces " +
                                                     c.announced + ", the file holds " + std::to_string(c.frames)))
            << run.output;
        ExpectFiltered(audio.channels, ReadFile(out), c.frames);
    }

    // An RF64 stream whose ds64 chunk was never filled in runs to the end of the file.
    wav.container = "RF64";
    std::string stream = wav.Build();
    stream.replace(20, 16, std::string(16, '\0'));
    const std::string in = Write("rf64-stream.wav", stream), out = folder + "rf64-stream-out.wav";
    const RunResult run = RunEffectHost("process " + Quoted(in) + " " + Quoted(out));
    ASSERT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(1u, Lines(run.output)) << run.output;
    ExpectFiltered(audio.channels, ReadFile(out), 1000);
}

TEST_F(WavFiles, EveryContainerAndEncodingIsReadAndSameFormatWritesItBack)
{
    struct Case {
        const char* name;
        const char* container;
        std::string fmt;
        Audio audio;
    };
    const Case cases[] = {
        {"alaw.wav", "RIFF", FmtBody(6, 2, 44100, 8), CodeAudio(2, 1500, G711ALawValue)},
        {"mulaw.wav", "RIFF", FmtBody(7, 1, 44100, 8), CodeAudio(1, 1500, G711MuLawValue)},
        {"double.wav", "RIFF", FmtBody(3, 2, 44100, 64), Float64Audio(2, 1200)},
        {"rf64.wav", "RF64", FmtBody(1, 6, 44100, 24, true, 20, 0x3F), IntegerAudio(6, 900, 24, 2, 4)},
        {"bw64.wav", "BW64", FmtBody(1, 2, 44100, 16), IntegerAudio(2, 700, 16, 4)},
        {"wave64.w64", "W64", FmtBody(1, 3, 44100, 32, true, 32, 0x7), IntegerAudio(3, 800, 32, 5)},
        {"sixteen-ambisonic.wav", "RIFF", FmtBody(1, 16, 44100, 16, true), IntegerAudio(16, 300, 16, 6)},
        {"sixty-four.wav", "RIFF", FmtBody(1, 64, 44100, 8), IntegerAudio(64, 200, 8, 7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WavBuilder wav;
        wav.container = c.container;
        wav.fmt = c.fmt;
        wav.data = c.audio.bytes;
        const std::string in = Write(c.name, wav.Build());
        const std::string floatOut = folder + "float-" + c.name, sameOut = folder + "same-" + c.name;
        RunResult run = RunEffectHost("process " + Quoted(in) + " " + Quoted(floatOut));
        ASSERT_EQ(0u, run.exitCode) << run.output;
        const std::string filtered = ReadFile(floatOut);
        EXPECT_EQ(0, filtered.compare(0, 4, "RIFF"));
        ExpectFiltered(c.audio.channels, filtered, c.audio.channels[0].size());

        run = RunEffectHost("process " + Quoted(in) + " " + Quoted(sameOut) + " --same-format");
        ASSERT_EQ(0u, run.exitCode) << run.output;
        EXPECT_EQ(std::string::npos, run.output.find("clipped")) << run.output;
        const std::string same = ReadFile(sameOut);
        EXPECT_EQ(0, same.compare(0, 4, std::string(c.container) == "W64" ? "riff" : c.container));
        EXPECT_EQ(c.fmt, ChunkBody(same, "fmt "));
        EXPECT_EQ(c.audio.bytes.size(), ChunkBody(same, "data").size());
    }
}

TEST_F(WavFiles, SameFormatRoundsTheFilteredSamplesToTheInputEncoding)
{
    const Audio audio = IntegerAudio(2, 3000, 16, 11);
    WavBuilder wav;
    wav.fmt = FmtBody(1, 2, 44100, 16);
    wav.data = audio.bytes;
    const std::string in = Write("in.wav", wav.Build());
    const std::string out = folder + "out.wav";
    ASSERT_EQ(0u, RunEffectHost("process " + Quoted(in) + " " + Quoted(out) + " --same-format").exitCode);
    const std::string data = ChunkBody(ReadFile(out), "data");
    ASSERT_EQ(audio.bytes.size(), data.size());
    for (size_t k = 0; k < 2; ++k) {
        const auto expected = ReferenceStream(audio.channels[k], 44100, 1000, 400, kDefaultGain);
        for (size_t j = 0; j < expected.size(); ++j)
            ASSERT_EQ(static_cast<int16_t>(std::nearbyint(expected[j] * 32768.0)),
                      static_cast<int16_t>(GetLe(data, (j * 2 + k) * 2, 2)))
                << j;
    }
}

std::string Bext()
{
    std::string bext = "A broadcast description";
    bext.resize(256, '\0');
    bext += std::string("Originator").append(22, '\0') + std::string("Ref").append(29, '\0') + "2024-05-0112:34:56";
    PutLe(bext, 123456789, 8);  // time reference
    PutLe(bext, 1, 2);
    bext.resize(602, '\0');
    return bext + "A=PCM,F=44100\r\n";
}

TEST_F(WavFiles, EveryChunkThatDoesNotDescribeTheAudioIsCopiedUnchangedInItsPlace)
{
    const Audio audio = IntegerAudio(2, 1000, 16, 12);
    const std::pair<std::string, std::string> info{"LIST", std::string("INFOINAM\x06\0\0\0Title\0IART\x07\0\0\0Artist\0\0", 34)};
    const std::pair<std::string, std::string> bext{"bext", Bext()};
    const std::pair<std::string, std::string> ixml{"iXML", "<BWFXML><PROJECT>p</PROJECT></BWFXML>"};
    std::string cueBody;
    PutLe(cueBody, 1, 4);
    cueBody += std::string("\x01\0\0\0\0\0\0\0data\0\0\0\0\0\0\0\0\x64\0\0\0", 24);
    const std::pair<std::string, std::string> cue{"cue ", cueBody};
    const std::pair<std::string, std::string> adtl{"LIST", std::string("adtllabl\x09\0\0\0\x01\0\0\0Mark\0\0", 22)};
    const std::pair<std::string, std::string> smpl{"smpl", std::string(36, '\x01')};
    const std::pair<std::string, std::string> unknown{"zzzz", "odd"};
    WavBuilder wav;
    wav.fmt = FmtBody(1, 2, 44100, 16);
    wav.data = audio.bytes;
    wav.before = {info, {"fact", std::string("\xE8\x03\0\0", 4)}, bext, {"PEAK", std::string(24, '\x02')},
                  {"JUNK", std::string(28, '\0')}, ixml};
    wav.after = {cue, adtl, smpl, {"levl", std::string(40, '\x03')}, unknown};
    const std::string in = Write("metadata.wav", wav.Build());
    const std::vector<std::pair<std::string, std::string>> kept = {info, bext, ixml, cue, adtl, smpl, unknown};

    for (const bool sameFormat : {false, true}) {
        SCOPED_TRACE(sameFormat);
        const std::string out = folder + (sameFormat ? "same.wav" : "float.wav");
        const RunResult run = RunEffectHost("process " + Quoted(in) + " " + Quoted(out) + (sameFormat ? " --same-format" : ""));
        ASSERT_EQ(0u, run.exitCode) << run.output;
        auto chunks = Chunks(ReadFile(out));
        ASSERT_EQ(0u, chunks.front().first.compare("fmt "));
        chunks.erase(chunks.begin());
        if (!sameFormat) {
            // Float data has its frame count in a fact chunk of its own.
            ASSERT_EQ("fact", chunks.front().first);
            EXPECT_EQ(std::string("\xE8\x03\0\0", 4), chunks.front().second);
            chunks.erase(chunks.begin());
        }
        ASSERT_EQ(8u, chunks.size());
        EXPECT_EQ("data", chunks[3].first);
        chunks.erase(chunks.begin() + 3);
        EXPECT_EQ(kept, chunks);
    }

    // A chunk after the audio that the file cuts off is left out, with a warning.
    const std::string cut = Write("cut.wav", ReadFile(in).substr(0, ReadFile(in).size() - 2));
    const std::string cutOut = folder + "cut-out.wav";
    const RunResult cutRun = RunEffectHost("process " + Quoted(cut) + " " + Quoted(cutOut));
    ASSERT_EQ(0u, cutRun.exitCode) << cutRun.output;
    EXPECT_NE(std::string::npos, cutRun.output.find("warning: " + cut + ": the 'zzzz' chunk after the audio is cut off"))
        << cutRun.output;
    const auto cutChunks = Chunks(ReadFile(cutOut));
    EXPECT_EQ(smpl, cutChunks.back());

    // From Wave64 the same chunks reach a RIFF output; one only Wave64 can name is reported.
    WavBuilder w64 = wav;
    w64.container = "W64";
    const std::string privateGuid("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10", 16);
    w64.after.emplace_back(privateGuid, "private");
    const std::string in64 = Write("metadata.w64", w64.Build());
    const std::string out64 = folder + "from-w64.wav", same64 = folder + "same.w64";
    RunResult run = RunEffectHost("process " + Quoted(in64) + " " + Quoted(out64));
    ASSERT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("warning: " + in64 + ": a Wave64 chunk without a RIFF name left out"))
        << run.output;
    auto chunks = Chunks(ReadFile(out64));
    chunks.erase(chunks.begin(), chunks.begin() + 2);
    chunks.erase(chunks.begin() + 3);
    EXPECT_EQ(kept, chunks);
    run = RunEffectHost("process " + Quoted(in64) + " " + Quoted(same64) + " --same-format");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(std::string::npos, run.output.find("warning")) << run.output;
    chunks = Chunks(ReadFile(same64));
    ASSERT_EQ(kept.size() + 3, chunks.size());
    EXPECT_EQ(privateGuid, chunks.back().first);
    EXPECT_EQ("private", chunks.back().second);
}

TEST_F(WavFiles, InPlaceReplacesTheInputOnlyOnceTheNewFileIsComplete)
{
    WavBuilder wav;
    wav.fmt = FmtBody(1, 1, 44100, 16);
    wav.data = IntegerAudio(1, 5000, 16, 13).bytes;
    wav.after = {{"zzzz", "after"}};
    const std::string original = wav.Build();
    for (const char* options : {"", " --same-format"}) {
        SCOPED_TRACE(options);
        const std::string in = Write("in.wav", original);
        const std::string elsewhere = folder + "elsewhere.wav";
        ASSERT_EQ(0u, RunEffectHost("process " + Quoted(in) + " " + Quoted(elsewhere) + options).exitCode);
        const RunResult run = RunEffectHost("process " + Quoted(in) + " " + Quoted(in) + options);
        ASSERT_EQ(0u, run.exitCode) << run.output;
        EXPECT_EQ(ReadFile(elsewhere), ReadFile(in));
    }

    // Another program holds the file open against writers: nothing changes, and the message names it.
    const std::string in = Write("held.wav", original);
    FileHandle held(CreateFileA(in.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    const RunResult run = RunEffectHost("process " + Quoted(in) + " " + Quoted(in));
    held.Reset();
    EXPECT_EQ(1u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("cannot replace " + in + " ")) << run.output;
    EXPECT_EQ(std::string::npos, run.output.find(".partial")) << run.output;
    EXPECT_EQ(original, ReadFile(in));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((in + ".partial").c_str()));

    const std::string nowhere = folder + "missing\\out.wav";
    const RunResult lost = RunEffectHost("process " + Quoted(in) + " " + Quoted(nowhere));
    EXPECT_EQ(1u, lost.exitCode);
    EXPECT_NE(std::string::npos, lost.output.find("cannot create " + nowhere + " ")) << lost.output;
}

TEST_F(WavFiles, ABatchWritesWhatEachFileAloneGivesAndGoesOnPastAFailure)
{
    CreateDirectoryA((folder + "in").c_str(), nullptr);
    CreateDirectoryA((folder + "out").c_str(), nullptr);
    CreateDirectoryA((folder + "alone").c_str(), nullptr);
    std::vector<std::string> names;
    for (uint32_t i = 0; i < 7; ++i) {
        WavBuilder wav;
        wav.container = i == 3 ? "W64" : i == 5 ? "RF64" : "RIFF";
        wav.fmt = FmtBody(1, static_cast<uint16_t>(1 + i % 3), 22050 + 1000 * i, 16);
        wav.data = IntegerAudio(static_cast<uint16_t>(1 + i % 3), 20000 + 3000 * i, 16, 20 + i).bytes;
        names.push_back("take" + std::to_string(i) + (i == 3 ? ".w64" : ".wav"));
        Write("in\\" + names.back(), wav.Build());
    }
    Write("in\\broken.wav", "RIFX not really");
    for (const char* options : {"", " --same-format"}) {
        SCOPED_TRACE(options);
        const RunResult run = RunEffectHost("process " + Quoted(folder + "in\\*.wav") + " " +
                                            Quoted(folder + "in\\take3.w64") + " --out-dir " + Quoted(folder + "out") +
                                            " --jobs 3" + options);
        EXPECT_EQ(1u, run.exitCode) << run.output;
        EXPECT_NE(std::string::npos, run.output.find("error: " + folder + "in\\broken.wav: not a WAV file")) << run.output;
        EXPECT_NE(std::string::npos, run.output.find("8 of 8 files done")) << run.output;
        EXPECT_NE(std::string::npos, run.output.find("7 files processed, 1 failed")) << run.output;
        EXPECT_EQ(8u * 2 + 1, Lines(run.output)) << run.output;
        for (const std::string& name : names) {
            const std::string outName =
                *options == '\0' && name == "take3.w64" ? std::string("take3.wav") : name;
            const std::string alone = folder + "alone\\" + outName;
            ASSERT_EQ(0u, RunEffectHost("process " + Quoted(folder + "in\\" + name) + " " + Quoted(alone) + options).exitCode);
            EXPECT_EQ(ReadFile(alone), ReadFile(folder + "out\\" + outName)) << name;
        }
    }

    // Two inputs that would write one output, and a pattern that matches nothing, stop the run.
    CreateDirectoryA((folder + "in\\again").c_str(), nullptr);
    Write("in\\again\\take0.wav", ReadFile(folder + "in\\take0.wav"));
    for (const std::string& inputs : {Quoted(folder + "in\\take0.wav") + " " + Quoted(folder + "in\\again\\take0.wav"),
                                     Quoted(folder + "in\\*.flac")}) {
        const RunResult run = RunEffectHost("process " + inputs + " --out-dir " + Quoted(folder + "out"));
        EXPECT_EQ(2u, run.exitCode) << run.output;
    }
}

TEST_F(WavFiles, LevelMeasuresAToneAcrossManyBlocks)
{
    const std::string hum = folder + "hum.wav";
    ASSERT_EQ(0u, RunEffectHost("make-hum " + Quoted(hum) + " --seconds 3 --hum 1000").exitCode);
    const RunResult before = RunEffectHost("level " + Quoted(hum) + " --at 1000");
    ASSERT_EQ(0u, before.exitCode) << before.output;
    // The hum is 0.35 of full scale: -9.1 dB, in both channels.
    EXPECT_EQ(2u, Lines(before.output));
    for (const char* channel : {"channel 1: 1000 Hz at -9.1 dB", "channel 2: 1000 Hz at -9.1 dB"})
        EXPECT_NE(std::string::npos, before.output.find(channel)) << before.output;
}

}  // namespace
