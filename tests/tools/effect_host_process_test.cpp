#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/effect_host_runner.h"
#include "tools/shared/plugin_library.h"
#include "tests/support/reference_filter.h"
#include "tests/support/scratch_folder_test.h"
#include "tests/support/wav_builder.h"

namespace {

struct TestWav {
    uint16_t tag = 1;  // PCM
    uint16_t channels = 1;
    uint32_t rate = 44100;
    uint16_t bits = 16;
    bool extensible = false;
    std::vector<std::vector<float>> samples;  // exactly representable in the chosen format
};

WavBuilder Builder(const TestWav& wav)
{
    WavBuilder builder;
    for (size_t j = 0; j < wav.samples[0].size(); ++j)
        for (uint16_t k = 0; k < wav.channels; ++k) {
            const float sample = wav.samples[k][j];
            if (wav.tag == 3) {
                uint32_t bits;
                std::memcpy(&bits, &sample, 4);
                PutLe(builder.data, bits, 4);
            } else {
                PutLe(builder.data, static_cast<uint32_t>(static_cast<int32_t>(std::ldexp(sample, wav.bits - 1))),
                      wav.bits / 8);
            }
        }
    builder.fmt = FmtBody(wav.tag, wav.channels, wav.rate, wav.bits, wav.extensible);
    builder.before = {{"LIST", "INFO"}};
    return builder;
}

std::string Encode(const TestWav& wav) { return Builder(wav).Build(); }

TestWav Noise(uint16_t channels, uint32_t frames, uint16_t bits, uint16_t tag = 1, uint32_t seed = 1)
{
    TestWav wav;
    wav.tag = tag;
    wav.channels = channels;
    wav.bits = bits;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int32_t> level(-30000, 30000);
    wav.samples.assign(channels, std::vector<float>(frames));
    for (auto& channel : wav.samples)
        for (float& sample : channel)
            sample = level(random) / 32768.0f;
    return wav;
}

// Reads back a 32-bit float or 16-bit PCM WAV as written by effect-host.
std::vector<std::vector<float>> Decode(const std::string& file, uint16_t& bits)
{
    const auto chunks = Chunks(file);
    const auto chunk = [&](const char* id) {
        return std::find_if(chunks.begin(), chunks.end(), [&](const auto& c) { return c.first == id; });
    };
    const auto fmt = chunk("fmt "), data = chunk("data");
    if (fmt == chunks.end() || data == chunks.end() || fmt->second.size() < 16)
        return {};
    const uint16_t channels = static_cast<uint16_t>(GetLe(fmt->second, 2, 2));
    bits = static_cast<uint16_t>(GetLe(fmt->second, 14, 2));
    const size_t frames = data->second.size() / (channels * bits / 8);
    std::vector<std::vector<float>> samples(channels, std::vector<float>(frames));
    const char* p = data->second.data();
    for (size_t j = 0; j < frames; ++j)
        for (uint16_t k = 0; k < channels; ++k) {
            if (bits == 32) {
                std::memcpy(&samples[k][j], p, 4);
                p += 4;
            } else {
                int16_t value;
                std::memcpy(&value, p, 2);
                samples[k][j] = value / 32768.0f;
                p += 2;
            }
        }
    return samples;
}

class ProcessCommand : public ScratchFolderTest {};

TEST_F(ProcessCommand, EveryInputFormatIsFilteredWithThePluginDefaults)
{
    struct Case {
        const char* name;
        TestWav wav;
    };
    TestWav extensible24 = Noise(1, 3000, 24, 1, 2);
    extensible24.extensible = true;
    TestWav extensibleFloat = Noise(3, 2000, 32, 3, 4);
    extensibleFloat.extensible = true;
    const Case cases[] = {{"pcm16", Noise(2, 5000, 16)},           {"pcm24ext", extensible24},
                          {"pcm32", Noise(1, 4097, 32, 1, 3)},     {"float", Noise(10, 1500, 32, 3, 5)},
                          {"floatext", extensibleFloat}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string in = Write(std::string(c.name) + ".wav", Encode(c.wav));
        const std::string out = folder + c.name + "-out.wav";
        const RunResult run = RunEffectHost("process \"" + in + "\" \"" + out + "\"");  // NOLINT(performance-inefficient-string-concatenation): one command line a run
        ASSERT_EQ(0u, run.exitCode) << run.output;
        uint16_t bits = 0;
        const auto samples = Decode(ReadFile(out), bits);
        EXPECT_EQ(32, bits);
        ASSERT_EQ(c.wav.channels, samples.size());
        for (size_t k = 0; k < samples.size(); ++k)
            EXPECT_EQ(ReferenceStream(c.wav.samples[k], 44100, 1000, 400, 1.000015259254738), samples[k])
                << "channel " << k;
    }
}

TEST_F(ProcessCommand, CommandLineSettingsAreWrittenIntoTheRecord)
{
    const TestWav wav = Noise(2, 10000, 16, 1, 9);
    const std::string in = Write("in.wav", Encode(wav));
    const std::string out = folder + "out.wav";
    const RunResult run =
        RunEffectHost("process \"" + in + "\" \"" + out + "\" --cutoff 3000 --bandwidth 20000 --level 50 --block 333");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    uint16_t bits = 0;
    const auto samples = Decode(ReadFile(out), bits);
    ASSERT_EQ(2u, samples.size());
    for (size_t k = 0; k < 2; ++k)
        EXPECT_EQ(ReferenceStream(wav.samples[k], 44100, 3000, 20000, 0.5), samples[k]);
}

TEST_F(ProcessCommand, SameFormatKeepsTheInputFormatAndCountsClipping)
{
    TestWav wav = Noise(1, 4000, 16, 1, 6);
    const std::string in = Write("in.wav", Encode(wav));
    const std::string quiet = folder + "quiet.wav", loud = folder + "loud.wav";

    RunResult run = RunEffectHost("process \"" + in + "\" \"" + quiet + "\" --same-format --level 10");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(std::string::npos, run.output.find("clipped"));
    uint16_t bits = 0;
    EXPECT_EQ(4000u, Decode(ReadFile(quiet), bits)[0].size());
    EXPECT_EQ(16, bits);

    run = RunEffectHost("process \"" + in + "\" \"" + loud + "\" --same-format --level 400");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("samples clipped")) << run.output;
    const auto samples = Decode(ReadFile(loud), bits);
    for (float sample : samples[0])
        ASSERT_LE(std::fabs(sample), 1.0f);
}

void Set32(std::string& file, size_t at, uint32_t value)
{
    for (int b = 0; b < 4; ++b)
        file[at + b] = static_cast<char>(value >> (8 * b));
}

TEST_F(ProcessCommand, AStreamedDataChunkWithoutItsSizeRunsToTheEndOfTheFile)
{
    const TestWav wav = Noise(2, 3001, 16, 1, 7);
    const std::string complete = Encode(wav);
    const size_t dataSizeField = complete.find("data") + 4;
    // What streaming writers leave in the RIFF size: nothing, the header's own size, or all ones.
    const uint32_t riffSizes[] = {0, static_cast<uint32_t>(dataSizeField + 4 - 8), 0xFFFFFFFFu};
    for (const uint32_t dataField : {0u, 0xFFFFFFFFu}) {
        for (const uint32_t riffSize : riffSizes) {
            SCOPED_TRACE("data size " + std::to_string(dataField) + ", RIFF size " + std::to_string(riffSize));
            std::string streamed = complete;
            Set32(streamed, 4, riffSize);
            Set32(streamed, dataSizeField, dataField);
            const std::string in = Write("streamed.wav", streamed);
            const std::string out = folder + "streamed-out.wav";
            const RunResult run = RunEffectHost("process \"" + in + "\" \"" + out + "\"");  // NOLINT(performance-inefficient-string-concatenation): one command line a run
            ASSERT_EQ(0u, run.exitCode) << run.output;
            uint16_t bits = 0;
            const auto samples = Decode(ReadFile(out), bits);
            ASSERT_EQ(2u, samples.size());
            for (size_t k = 0; k < 2; ++k)
                EXPECT_EQ(ReferenceStream(wav.samples[k], 44100, 1000, 400, 1.000015259254738), samples[k])
                    << "channel " << k;
        }
    }
}

TEST_F(ProcessCommand, AnEmptyDataChunkWithChunksBehindItStaysEmpty)
{
    WavBuilder silent = Builder(Noise(1, 0, 16));
    silent.after = {{"LIST", std::string("INFOISFT\0\0\0\0", 12)}};
    const std::string in = Write("empty.wav", silent.Build());
    const std::string out = folder + "empty-out.wav";
    const RunResult run = RunEffectHost("process \"" + in + "\" \"" + out + "\"");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    uint16_t bits = 0;
    const auto samples = Decode(ReadFile(out), bits);
    ASSERT_EQ(1u, samples.size());
    EXPECT_EQ(0u, samples[0].size());
}

TEST_F(ProcessCommand, BadInputGivesOneErrorLineAndNoOutputFile)
{
    TestWav adpcm = Noise(1, 100, 16);
    adpcm.tag = 2;
    TestWav ima = adpcm;
    ima.tag = 0x11;
    std::string tooMany = Encode(Noise(1, 100, 16));
    tooMany[22] = '\x01';
    tooMany[23] = '\x08';  // 2049 channels
    tooMany[32] = '\x02';
    tooMany[33] = '\x10';  // and their block alignment
    struct Case {
        const char* name;
        std::string content;
        const char* says;
    };
    const Case cases[] = {
        {"text", "this is not audio", "not a WAV file"},
        {"empty", "", "not a WAV file"},
        {"adpcm", Encode(adpcm), "unsupported format: Microsoft ADPCM"},
        {"ima", Encode(ima), "unsupported format: IMA ADPCM"},
        {"channels", tooMany, "2049 channels"},
        {"rifx", std::string("RIFX\0\0\0\x24WAVEfmt ", 16), "is a big-endian WAV file (RIFX)"},
        {"aiff", std::string("FORM\0\0\0\x24" "AIFFCOMM", 16), "is an AIFF file"},
        {"flac", std::string("fLaC\0\0\0\x22", 8), "is a FLAC file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string in = Write(std::string(c.name) + ".wav", c.content);
        const std::string out = folder + c.name + "-out.wav";
        const RunResult run = RunEffectHost("process \"" + in + "\" \"" + out + "\"");  // NOLINT(performance-inefficient-string-concatenation): one command line a run
        EXPECT_NE(0u, run.exitCode);
        EXPECT_NE(std::string::npos, run.output.find(c.says)) << run.output;
        EXPECT_EQ(1, std::count(run.output.begin(), run.output.end(), '\n')) << run.output;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(out.c_str()));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((out + ".partial").c_str()));
    }
}

TEST_F(ProcessCommand, AMissingPluginIsReportedByName)
{
    const std::string lonely = folder + "effect-host.exe";
    ASSERT_TRUE(CopyFileA(EffectHostPath().c_str(), lonely.c_str(), FALSE));
    const std::string in = Write("in.wav", Encode(Noise(1, 100, 16)));
    const std::string out = folder + "out.wav";
    const RunResult run = RunProgram("\"" + lonely + "\" process \"" + in + "\" \"" + out + "\"");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_NE(std::string::npos, run.output.find("BandReject.dll")) << run.output;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(out.c_str()));
}

TEST_F(ProcessCommand, APluginWithoutTheExportsIsReportedInOneLine)
{
    const std::string host = folder + "effect-host.exe";
    ASSERT_TRUE(CopyFileA(EffectHostPath().c_str(), host.c_str(), FALSE));
    // A resource-only library built beside the tests: it loads, but exports nothing.
    const std::string stranger = ProgramFolder() + "string_only_fixture.dll";
    ASSERT_TRUE(CopyFileA(stranger.c_str(), (folder + "BandReject.dll").c_str(), FALSE)) << stranger;
    const std::string in = Write("in.wav", Encode(Noise(1, 100, 16)));
    const std::string out = folder + "out.wav";
    const RunResult run = RunProgram("\"" + host + "\" process \"" + in + "\" \"" + out + "\"");
    EXPECT_EQ(1u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find(folder + "BandReject.dll does not export ")) << run.output;
    EXPECT_EQ(1, std::count(run.output.begin(), run.output.end(), '\n')) << run.output;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(out.c_str()));
}

TEST_F(ProcessCommand, LongFilesShowTheirProgressOnStandardError)
{
    TestWav longer = Noise(1, 31 * 8000, 16, 1, 12);
    longer.rate = 8000;
    const std::string in = Write("long.wav", Encode(longer));
    const RunResult run = RunEffectHost("process \"" + in + "\" \"" + folder + "long-out.wav\"");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    for (const char* step : {"effect-host: 10%", "effect-host: 50%", "effect-host: 100%"})
        EXPECT_NE(std::string::npos, run.output.find(step)) << run.output;

    const std::string in2 = Write("short.wav", Encode(Noise(1, 8000, 16)));
    const RunResult quiet = RunEffectHost("process \"" + in2 + "\" \"" + folder + "short-out.wav\"");
    EXPECT_EQ(std::string::npos, quiet.output.find("%\n")) << quiet.output;
}

TEST_F(ProcessCommand, MistypedOptionsAreRejected)
{
    const std::string in = Write("in.wav", Encode(Noise(1, 100, 16)));
    for (const char* options : {"--cutof 100", "--cutoff -5", "--level abc", "--cutoff", "--jobs 2",
                                "--out-dir no-such-folder", "--out-dir . --jobs 0", "--out-dir . --jobs 65"}) {
        SCOPED_TRACE(options);
        const RunResult run = RunEffectHost("process \"" + in + "\" \"" + folder + "o.wav\" " + options);
        EXPECT_EQ(2u, run.exitCode) << run.output;
    }
}

}  // namespace
