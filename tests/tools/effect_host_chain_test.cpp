#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/effect_host_runner.h"
#include "support/scratch_folder_test.h"
#include "support/wav_builder.h"
#include "tools/effect-host/process_file.h"

namespace {

// Stereo 32-bit float noise: every stage of a chain reads exactly what a file would hold.
std::string FloatNoise(uint32_t frames, uint32_t rate = 44100, uint32_t seed = 1)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> level(-0.9f, 0.9f);
    WavBuilder builder;
    builder.fmt = FmtBody(3, 2, rate, 32);
    for (uint32_t j = 0; j < 2 * frames; ++j) {
        const float sample = level(random);
        uint32_t bits;
        std::memcpy(&bits, &sample, 4);
        PutLe(builder.data, bits, 4);
    }
    return builder.Build();
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

class ChainCommand : public ScratchFolderTest {
protected:
    RunResult Process(const std::string& in, const std::string& out, const std::string& settings)
    {
        return RunEffectHost("process " + Quoted(in) + " " + Quoted(out) + " " + settings);
    }
};

TEST_F(ChainCommand, StagesGiveWhatTheyGiveOneAfterAnotherThroughFloatFiles)
{
    const std::string in = Write("in.wav", FloatNoise(40000));
    const std::string first = "--cutoff 50 --bandwidth 4", second = "--cutoff 1000 --bandwidth 300 --level 80";
    // 20000 samples a block: the last stage's pieces pull pieces through the stage before.
    for (const char* block : {"", "--block 20000"}) {
        SCOPED_TRACE(block);
        const std::string between = folder + "between.wav", after = folder + "after.wav", chained = folder + "chained.wav";
        ASSERT_EQ(0u, Process(in, between, block + (" " + first)).exitCode);
        ASSERT_EQ(0u, Process(between, after, block + (" " + second)).exitCode);
        const RunResult run = Process(in, chained, block + (" " + first + " --then " + second));
        ASSERT_EQ(0u, run.exitCode) << run.output;
        EXPECT_EQ(ReadFile(after), ReadFile(chained));
        EXPECT_NE(std::string::npos, run.output.find("centre 50 Hz, bandwidth 4 Hz then level 80.000% (0.8), centre "
                                                     "1000 Hz, bandwidth 300 Hz"))
            << run.output;
    }

    // In place, in the input's own format.
    const std::string inPlace = Write("in-place.wav", ReadFile(folder + "between.wav"));
    ASSERT_EQ(0u, Process(inPlace, inPlace, "--same-format " + second + " --then " + first).exitCode);
    const std::string expected = folder + "expected.wav";
    ASSERT_EQ(0u, Process(folder + "between.wav", folder + "step.wav", second).exitCode);
    ASSERT_EQ(0u, Process(folder + "step.wav", expected, first).exitCode);
    EXPECT_EQ(ReadFile(expected), ReadFile(inPlace));
}

TEST_F(ChainCommand, ABatchRunsOneChainPerWorker)
{
    const std::string chain = "--hum 60 --harmonics 3 --then --cutoff 5000 --bandwidth 1000";
    std::vector<std::string> inputs;
    for (uint32_t seed = 1; seed <= 4; ++seed)
        inputs.push_back(Write("in" + std::to_string(seed) + ".wav", FloatNoise(9000 + seed * 1000, 44100, seed)));
    ASSERT_TRUE(CreateDirectoryA((folder + "out").c_str(), nullptr));
    const RunResult batch = RunEffectHost("process " + Quoted(folder + "in*.wav") + " --out-dir " +
                                          Quoted(folder + "out") + " --jobs 2 " + chain);
    ASSERT_EQ(0u, batch.exitCode) << batch.output;
    for (const std::string& input : inputs) {
        const std::string alone = input + ".alone.wav";
        ASSERT_EQ(0u, Process(input, alone, chain).exitCode);
        EXPECT_EQ(ReadFile(alone), ReadFile(folder + "out\\" + input.substr(folder.size()))) << input;
    }
}

TEST_F(ChainCommand, HumMakesAStagePerHarmonicBelowHalfTheSampleRate)
{
    const std::string in = Write("in.wav", FloatNoise(5000, 8000));
    const std::string hum = folder + "hum.wav", spelt = folder + "spelt.wav";
    const RunResult run = Process(in, hum, "--hum 1500 --harmonics 3 --bandwidth 30");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("note: " + in + ": the hum's harmonic at 4500 Hz")) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("centre 1500 Hz, bandwidth 30 Hz then level 100.002% "
                                                 "(1.000015259254738), centre 3000 Hz, bandwidth 30 Hz"))
        << run.output;
    EXPECT_EQ(std::string::npos, run.output.find("centre 4500 Hz")) << run.output;
    ASSERT_EQ(0u, Process(in, spelt, "--cutoff 1500 --bandwidth 30 --then --cutoff 3000 --bandwidth 30").exitCode);
    EXPECT_EQ(ReadFile(spelt), ReadFile(hum));
}

// "file: channel 1: 100 Hz at -9.4 dB" lines: the level of each frequency in channel 1.
std::map<double, double> Levels(const std::string& output)
{
    std::map<double, double> levels;
    for (size_t at = output.find(": channel 1: "); at != std::string::npos; at = output.find(": channel 1: ", at + 1)) {
        double frequency = 0, db = 0;
        if (std::sscanf(output.c_str() + at, ": channel 1: %lf Hz at %lf dB", &frequency, &db) == 2)
            levels[frequency] = db;
    }
    return levels;
}

TEST_F(ChainCommand, HumAndItsHarmonicsGoWhileTheMusicStays)
{
    const std::string hum = folder + "hum.wav", clean = folder + "clean.wav";
    ASSERT_EQ(0u, RunEffectHost("make-hum " + Quoted(hum) + " --seconds 2 --hum 50 --harmonics 5").exitCode);
    ASSERT_EQ(0u, Process(hum, clean, "--hum 50").exitCode);
    const std::string at = " --at 50,100,150,200,250,440";
    const auto before = Levels(RunEffectHost("level " + Quoted(hum) + at).output);
    const auto after = Levels(RunEffectHost("level " + Quoted(clean) + at).output);
    ASSERT_EQ(6u, before.size());
    ASSERT_EQ(6u, after.size());
    for (double harmonic = 50; harmonic <= 250; harmonic += 50) {
        EXPECT_GT(before.at(harmonic), -30.0) << harmonic << " Hz is in the recording";
        EXPECT_LE(after.at(harmonic), before.at(harmonic) - 60.0) << harmonic << " Hz";
    }
    EXPECT_NEAR(before.at(440), after.at(440), 0.1);
}

TEST_F(ChainCommand, BadChainsGiveOneErrorLineAndNoOutput)
{
    const std::string in = Write("in.wav", FloatNoise(100));
    const std::string out = folder + "out.wav";
    struct Case {
        const char* settings;
        const char* says;
    };
    const Case cases[] = {
        {"--cutoff 50 --then", "stage 2: it is empty"},
        {"--then --cutoff 50", "stage 1: it is empty"},
        {"--cutoff 50 --then --then --cutoff 60", "stage 2: it is empty"},
        {"--cutoff 50 --then --preset-xml missing.xml", "stage 2: cannot read the preset"},
        {"--cutoff 50 --then extra.wav", "takes settings options, not 'extra.wav'"},
        {"--cutoff 50 --then --cutoff 60 --same-format", "--same-format goes before the first --then"},
        {"--hum 0", "--hum takes a whole number of hertz from 1"},
        {"--hum 0.5", "--hum takes a whole number of hertz from 1"},
        {"--hum 50 --cutoff 100", "--hum goes with --harmonics and --bandwidth"},
        {"--harmonics 3", "--harmonics goes with --hum"},
        {"--hum 1 --harmonics 64 --then --cutoff 50", "at most 64 stages"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        const RunResult run = Process(in, out, c.settings);
        EXPECT_NE(0u, run.exitCode);
        const size_t error = run.output.find("effect-host: ");
        EXPECT_NE(std::string::npos, run.output.find(c.says)) << run.output;
        EXPECT_EQ(std::string::npos, run.output.find("effect-host: ", error + 1)) << run.output;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(out.c_str()));
    }
}

// The file step linked in, with an input that fails part way, as a drive that goes away does.
class InputFailure : public ScratchFolderTest {
protected:
    ChainStage Stage(uint32_t cutoff)
    {
        EffectSettings* record = nullptr;
        PLUGIN_EXPORT(plugin, Initialize)(nullptr, nullptr, nullptr, &record);
        ChainStage stage{SettingsRecord(plugin, record), false};
        stage.settings->cutOffFreq = cutoff;
        return stage;
    }

    Plugin plugin;
};

TEST_F(InputFailure, IsReportedAfterTheChainReturnsAndLeavesNoOutput)
{
    std::vector<ChainStage> stages;
    stages.push_back(Stage(50));
    stages.push_back(Stage(100));
    const StreamChain chain(plugin, stages);
    const std::string input = ReadFile(Write("in.wav", FloatNoise(30000)));
    const std::string earlier = Write("earlier.wav", "an earlier output");

    struct Failure {
        const char* name;
        std::function<void()> fail;
        const char* says;
    };
    const Failure failures[] = {
        {"a WAV error", [] { throw WavError("cannot read the file: the network name is gone"); }, "network name is gone"},
        {"something else", [] { throw 42; }, "an unknown failure"},
    };
    for (const Failure& failure : failures) {
        for (const std::string& output : {earlier, folder + "in.wav"}) {
            SCOPED_TRACE(std::string(failure.name) + " writing " + output);
            ProcessRequest request;
            request.input = folder + "in.wav";
            request.output = output;
            request.hostBlock = 20000;
            int reads = 0, readsAfterFailure = 0;
            const InputReading failing = [&](WavReader& reader, float* const* channels, uint32_t frames) {
                if (++reads == 2)
                    failure.fail();
                readsAfterFailure += reads > 2;
                return reader.ReadFrames(channels, frames);
            };
            try {
                ProcessFile(chain, request, nullptr, failing);
                ADD_FAILURE() << "the failure was not reported";
            } catch (const HostError& error) {
                EXPECT_NE(std::string::npos, std::string(error.what()).find(failure.says)) << error.what();
            }
            EXPECT_EQ(0, readsAfterFailure);
            EXPECT_EQ(input, ReadFile(folder + "in.wav"));
            EXPECT_EQ("an earlier output", ReadFile(earlier));
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((output + ".partial").c_str()));
        }
    }

    // The same records take the next file.
    ProcessRequest next;
    next.input = folder + "in.wav";
    next.output = folder + "next.wav";
    EXPECT_EQ(30000u, ProcessFile(chain, next).frames);
}

}  // namespace
