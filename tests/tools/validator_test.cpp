// The validator's command line: which plug-in it checks, how it reports, what it refuses; and
// effect-host without the campaign.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/effect_host_runner.h"
#include "tools/shared/program_paths.h"

namespace {

std::string ValidatorPath() { return ProgramFolder() + "validator.exe"; }

RunResult RunValidator(const std::string& arguments, const std::string& folder = "")
{
    return RunProgram("\"" + ValidatorPath() + "\" " + arguments, folder);
}

std::vector<std::string> Lines(const std::string& output)
{
    std::vector<std::string> lines;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The report of a whole run: a line naming the plug-in and the seed, one line per check, and a
// closing count that agrees with those lines.
::testing::AssertionResult ReportsChecksOf(const RunResult& run, const std::string& pluginPath)
{
    const std::vector<std::string> lines = Lines(run.output);
    if (run.exitCode != 0)
        return ::testing::AssertionFailure() << "exit code " << run.exitCode << ":\n" << run.output;
    if (lines.size() < 4 || lines[0] != "plug-in " + pluginPath || lines[1] != "seed 1")
        return ::testing::AssertionFailure() << "expected 'plug-in " << pluginPath << "' and 'seed 1' first:\n"
                                             << run.output;
    size_t passes = 0;
    for (size_t i = 2; i + 1 < lines.size(); ++i) {
        if (lines[i].rfind("pass: ", 0) != 0)
            return ::testing::AssertionFailure() << "not a passed check: '" << lines[i] << "'";
        ++passes;
    }
    const std::string closing = std::to_string(passes) + " passed, 0 failed";
    if (lines.back() != closing)
        return ::testing::AssertionFailure() << "expected '" << closing << "', got '" << lines.back() << "'";
    return ::testing::AssertionSuccess();
}

TEST(Validator, ChecksThePluginBesideItByDefault)
{
    EXPECT_TRUE(ReportsChecksOf(RunValidator("--only deliveries --quick"), ProgramFolder() + "BandReject.dll"));
}

// Named by a path relative to the current folder, under a name no library beside the validator
// has: only the named file can pass.
TEST(Validator, ChecksAPluginNamedOnTheCommandLine)
{
    const std::string folder = ScratchFolder("named");
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "BandReject.dll").c_str(), (folder + "Renamed.dll").c_str(), FALSE));
    char current[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, current);
    const std::string relative = folder.substr(length + 1) + "Renamed.dll";

    EXPECT_TRUE(ReportsChecksOf(RunValidator("\"" + relative + "\" --only lifecycle --quick"), folder + "Renamed.dll"));
}

// The hostile-file checks run their loads as probes of the validator; each loads the plug-in
// it is given, from a folder of its own.
TEST(Validator, ProbesLoadTheNamedPlugin)
{
    const std::string folder = ScratchFolder("probe");
    const std::string plugin = folder + "Renamed.dll";
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "BandReject.dll").c_str(), plugin.c_str(), FALSE));
    std::ofstream(folder + "preset.xml") << "<Preset><CutOffFreq Value=\"777\"/></Preset>";

    const RunResult preset = RunValidator("\"" + plugin + "\" --probe preset --file preset.xml", folder);
    EXPECT_EQ(0u, preset.exitCode) << preset.output;
    EXPECT_NE(std::string::npos, preset.output.find("centre=777")) << preset.output;

    const RunResult startup = RunValidator("\"" + plugin + "\" --probe startup", folder);
    EXPECT_EQ(0u, startup.exitCode) << startup.output;
    EXPECT_NE(std::string::npos, startup.output.find("loaded=1")) << startup.output;

    const RunResult missing = RunValidator("\"" + folder + "Missing.dll\" --probe startup", folder);
    EXPECT_EQ(1u, missing.exitCode) << missing.output;
    EXPECT_EQ(std::string::npos, missing.output.find("loaded=1")) << missing.output;
}

// In a process of its own a group reports what it reports in the campaign's process.
TEST(Validator, RunsAGroupInAProcessOfItsOwn)
{
    const RunResult here = RunValidator("--only bad-samples --quick");
    const RunResult own = RunValidator("--only bad-samples --quick --isolate");
    EXPECT_TRUE(ReportsChecksOf(here, ProgramFolder() + "BandReject.dll"));
    EXPECT_TRUE(ReportsChecksOf(own, ProgramFolder() + "BandReject.dll"));
    EXPECT_EQ(Lines(here.output), Lines(own.output));
}

// Groups that need a display, or cost minutes in a full run, are left out on request; the
// summary still closes the run.
TEST(Validator, LeavesOutGroupsOnRequest)
{
    for (const char* arguments : {"--only windows --no-display --quick", "--only lifecycle --cost quick --quick"}) {
        SCOPED_TRACE(arguments);
        const RunResult run = RunValidator(arguments);
        EXPECT_EQ(0u, run.exitCode) << run.output;
        EXPECT_EQ("0 passed, 0 failed", Lines(run.output).back()) << run.output;
        EXPECT_EQ(std::string::npos, run.output.find("pass: ")) << run.output;
    }
}

TEST(Validator, RefusesWhatItCannotCheck)
{
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    const struct {
        std::string arguments;
        DWORD exitCode;
        std::string message;
    } rows[] = {
        {"--only bogus", 2, "--only takes the name of a group of checks, not 'bogus'"},
        {"--cost full", 2, "--cost takes 'quick', not 'full'"},
        {"--bogus 1", 2, "unknown option --bogus"},
        {"--quick --seed", 2, "option --seed needs a value"},
        {"--seed -1", 2, "--seed takes a whole number"},
        {"one.dll two.dll", 2, "give at most one plug-in"},
        {"no-such.dll --quick", 1, "cannot load the plug-in " + std::string(current) + "\\no-such.dll"},
        // A library that loads but is no plug-in: refused before any check.
        {"\"" + ProgramFolder() + "string_only_fixture.dll\" --only formats --quick", 1, "does not export"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments);
        const RunResult run = RunValidator(row.arguments);
        EXPECT_EQ(row.exitCode, run.exitCode) << run.output;
        EXPECT_NE(std::string::npos, run.output.find(row.message)) << run.output;
        EXPECT_EQ(std::string::npos, run.output.find(" passed, ")) << run.output;
    }
}

TEST(Validator, EffectHostPointsToIt)
{
    const RunResult torture = RunEffectHost("torture --quick");
    EXPECT_EQ(2u, torture.exitCode) << torture.output;
    EXPECT_NE(std::string::npos, torture.output.find("unknown command 'torture'")) << torture.output;
    EXPECT_NE(std::string::npos, torture.output.find("validator.exe")) << torture.output;

    const RunResult help = RunEffectHost("help");
    EXPECT_EQ(0u, help.exitCode);
    EXPECT_NE(std::string::npos, help.output.find("validator.exe")) << help.output;
    EXPECT_EQ(std::string::npos, help.output.find("torture")) << help.output;
}

}  // namespace
