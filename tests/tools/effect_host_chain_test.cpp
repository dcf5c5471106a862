#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/support/effect_host_runner.h"
#include "tests/support/scratch_folder_test.h"
#include "tests/support/wav_builder.h"
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

RunResult Process(const std::string& in, const std::string& out, const std::string& settings)
{
    return RunEffectHost("process " + Quoted(in) + " " + Quoted(out) + " " + settings);
}

class ChainCommand : public ScratchFolderTest {};

TEST_F(ChainCommand, StagesGiveWhatTheyGiveOneAfterAnotherThroughFloatFiles)
{
    const std::string in = Write("in.wav", FloatNoise(40000));
    const std::string first = " --cutoff 50 --bandwidth 4", second = " --cutoff 1000 --bandwidth 300 --level 80";
    const std::string between = folder + "between.wav", after = folder + "after.wav", chained = folder + "chained.wav";
    // 20000 samples a block: the last stage's pieces pull pieces through the stage before.
    for (const std::string block : {"", "--block 20000"}) {
        SCOPED_TRACE(block);
        ASSERT_EQ(0u, Process(in, between, block + first).exitCode);
        ASSERT_EQ(0u, Process(between, after, block + second).exitCode);
        const RunResult run = Process(in, chained, block + first + " --then" + second);  // NOLINT(performance-inefficient-string-concatenation): a test's command line
        ASSERT_EQ(0u, run.exitCode) << run.output;
        EXPECT_TRUE(ReadFile(after) == ReadFile(chained));
        EXPECT_NE(std::string::npos, run.output.find("centre 50 Hz, bandwidth 4 Hz then level 80.000% (0.8), centre "
                                                     "1000 Hz, bandwidth 300 Hz"))
            << run.output;
    }
    // In place, in the input's own format: the other order of the same stages.
    const std::string inPlace = Write("in-place.wav", ReadFile(in));
    ASSERT_EQ(0u, Process(inPlace, inPlace, "--same-format" + second + " --then" + first).exitCode);
    ASSERT_EQ(0u, Process(in, between, second).exitCode);
    ASSERT_EQ(0u, Process(between, after, first).exitCode);
    EXPECT_TRUE(ReadFile(after) == ReadFile(inPlace));
}

TEST_F(ChainCommand, ABatchRunsOneChainPerWorker)
{
    const std::string chain = "--hum 60 --harmonics 3 --then --cutoff 5000 --bandwidth 1000";
    ASSERT_TRUE(CreateDirectoryA((folder + "out").c_str(), nullptr));
    for (uint32_t seed = 1; seed <= 4; ++seed)
        Write("in" + std::to_string(seed) + ".wav", FloatNoise(9000 + seed * 1000, 44100, seed));
    const RunResult batch = RunEffectHost("process " + Quoted(folder + "in*.wav") + " --out-dir " +
                                          Quoted(folder + "out") + " --jobs 2 " + chain);
    ASSERT_EQ(0u, batch.exitCode) << batch.output;
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        const std::string name = "in" + std::to_string(seed) + ".wav";
        ASSERT_EQ(0u, Process(folder + name, folder + "alone.wav", chain).exitCode);
        EXPECT_TRUE(ReadFile(folder + "alone.wav") == ReadFile(folder + "out\\" + name)) << name;
    }
}

TEST_F(ChainCommand, HumMakesAStagePerHarmonicBelowHalfTheSampleRate)
{
    const std::string in = Write("in.wav", FloatNoise(5000, 8000));
    const RunResult run = Process(in, folder + "hum.wav", "--hum 1500 --harmonics 3 --bandwidth 30");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("note: " + in + ": the hum's harmonic at 4500 Hz")) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("centre 1500 Hz, bandwidth 30 Hz then level 100.002% "
                                                 "(1.000015259254738), centre 3000 Hz, bandwidth 30 Hz"))
        << run.output;
    EXPECT_EQ(std::string::npos, run.output.find("centre 4500 Hz")) << run.output;
    ASSERT_EQ(0u, Process(in, folder + "spelt.wav", "--cutoff 1500 --bandwidth 30 --then --cutoff 3000 --bandwidth 30")
                      .exitCode);
    EXPECT_TRUE(ReadFile(folder + "spelt.wav") == ReadFile(folder + "hum.wav"));
}

// The level of each frequency in channel 1, from "file: channel 1: 100 Hz at -9.4 dB" lines.
std::map<double, double> Levels(const std::string& output)
{
    std::map<double, double> levels;
    double frequency = 0, db = 0;
    for (size_t at = output.find(": channel 1: "); at != std::string::npos; at = output.find(": channel 1: ", at + 1))
        // NOLINTNEXTLINE(cert-err34-c): a line that does not read as both numbers is skipped
        if (std::sscanf(output.c_str() + at, ": channel 1: %lf Hz at %lf dB", &frequency, &db) == 2)
            levels[frequency] = db;
    return levels;
}

TEST_F(ChainCommand, HumAndItsHarmonicsGoWhileTheMusicStays)
{
    const std::string hum = folder + "hum.wav", clean = folder + "clean.wav", at = " --at 50,100,150,200,250,440";
    ASSERT_EQ(0u, RunEffectHost("make-hum " + Quoted(hum) + " --seconds 2 --hum 50 --harmonics 5").exitCode);
    ASSERT_EQ(0u, Process(hum, clean, "--hum 50").exitCode);
    const auto before = Levels(RunEffectHost("level " + Quoted(hum) + at).output);
    const auto after = Levels(RunEffectHost("level " + Quoted(clean) + at).output);
    ASSERT_EQ(6u, before.size());
    ASSERT_EQ(6u, after.size());
    for (int hz = 50; hz <= 250; hz += 50) {
        const double harmonic = hz;
        EXPECT_GT(before.at(harmonic), -30.0) << harmonic << " Hz is in the recording";
        EXPECT_LE(after.at(harmonic), before.at(harmonic) - 60.0) << harmonic << " Hz";
    }
    EXPECT_NEAR(before.at(440), after.at(440), 0.1);
}

TEST_F(ChainCommand, BadChainsGiveOneErrorLineAndNoOutput)
{
    const std::string in = Write("in.wav", FloatNoise(100)), out = folder + "out.wav";
    const std::pair<const char*, const char*> cases[] = {
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const RunResult run = Process(in, out, c.first);
        EXPECT_NE(0u, run.exitCode);
        EXPECT_NE(std::string::npos, run.output.find(c.second)) << run.output;
        const size_t error = run.output.find("effect-host: ");
        EXPECT_EQ(std::string::npos, run.output.find("effect-host: ", error + 1)) << "one error line: " << run.output;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(out.c_str()));
    }
}

// The file step linked in, reading an input that fails part way, as a drive that goes away does.
TEST_F(ScratchFolderTest, AnInputFailingPartWayIsReportedOnceTheChainReturns)
{
    const PluginLibrary plugin;
    std::vector<ChainStage> stages;
    for (uint32_t cutoff : {50u, 100u}) {
        EffectSettings* record = nullptr;
        plugin.Initialize(nullptr, nullptr, nullptr, &record);
        stages.push_back({SettingsRecord(plugin, record), false});
        stages.back().settings->cutOffFreq = cutoff;
    }
    const StreamChain chain(plugin, stages);
    const std::string in = Write("in.wav", FloatNoise(30000)), input = ReadFile(in);
    const std::string earlier = Write("earlier.wav", "an earlier output");
    const std::pair<std::function<void()>, const char*> failures[] = {
        {[] { throw WavError("cannot read the file: the network name is gone"); }, "network name is gone"},
        {[] { throw 42; }, "an unknown failure"},
    };
    for (const auto& failure : failures) {
        for (const std::string& output : {earlier, in}) {
            SCOPED_TRACE(failure.second + (" writing " + output));
            int reads = 0;
            const InputReading failing = [&](WavReader& reader, float* const* channels, uint32_t frames) {
                if (++reads == 2)
                    failure.first();
                return reader.ReadFrames(channels, frames);
            };
            try {
                ProcessFile(chain, {in, output, false, 20000}, nullptr, failing);
                ADD_FAILURE() << "the failure was not reported";
            } catch (const HostError& error) {
                EXPECT_NE(std::string::npos, std::string(error.what()).find(failure.second)) << error.what();
            }
            EXPECT_EQ(2, reads) << "nothing is read after the failure";
            EXPECT_TRUE(input == ReadFile(in));
            EXPECT_EQ("an earlier output", ReadFile(earlier));
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((output + ".partial").c_str()));
        }
    }
    // The same records take the next file.
    EXPECT_EQ(30000u, ProcessFile(chain, {in, folder + "next.wav"}).frames);
}

}  // namespace
