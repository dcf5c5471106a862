// effect-host info and the reading of --preset-xml through the library's XML loader.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/effect_host_runner.h"
#include "tools/shared/plugin_library.h"
#include "tests/support/scratch_folder_test.h"
#include "xml/file_size_limit.h"

namespace {

std::string Line(const std::string& output, const std::string& key)
{
    const size_t at = output.find("\n" + key + ": ");
    if (at == std::string::npos)
        return "(missing)";
    const size_t start = at + key.size() + 3;
    std::string value = output.substr(start, output.find('\n', start) - start);
    if (!value.empty() && value.back() == '\r')
        value.pop_back();
    return value;
}

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

TEST(InfoCommand, PrintsWhatPlugInInfoFills)
{
    PluginLibrary library;
    EffectInfo expected{};
    expected.structSize = sizeof expected;
    ASSERT_EQ(1u, library.PlugInInfo(&expected));

    const RunResult run = RunEffectHost("info");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    const std::string output = "\n" + run.output;
    EXPECT_EQ("1", Line(output, "PlugInInfo"));
    EXPECT_EQ("24", Line(output, "structSize"));
    // The command fills the record with 0xbd first: a field left alone would show it.
    EXPECT_EQ(Hex(expected.reserved), Line(output, "reserved"));
    EXPECT_EQ(expected.effectName, Line(output, "effectName"));
    EXPECT_EQ(expected.vendorName, Line(output, "vendorName"));
    EXPECT_EQ(Hex(expected.code1), Line(output, "code1"));
    EXPECT_EQ(Hex(expected.code2), Line(output, "code2"));
}

TEST(InfoCommand, RejectsArguments)
{
    EXPECT_EQ(2u, RunEffectHost("info extra").exitCode);
    EXPECT_EQ(2u, RunEffectHost("info --cutoff 5").exitCode);
}

class PresetXmlOption : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        input = folder + "hum.wav";
        const RunResult made = RunEffectHost("make-hum \"" + input + "\" --seconds 0.1");
        ASSERT_EQ(0u, made.exitCode) << made.output;
    }
    RunResult Process(const std::string& options)
    {
        return RunEffectHost("process \"" + input + "\" \"" + folder + "out.wav\" " + options);
    }
    std::string input;
};

TEST_F(PresetXmlOption, ValuesOfThePresetReachTheRecord)
{
    const std::string preset = Write("preset.xml",
                                     "<?xml version=\"1.0\"?>\r\n<!-- saved by a host -->\r\n"
                                     "<Preset Name=\"Narrow\">\r\n  <cutofffreq Value=\"2500\"/>\r\n"
                                     "  <BandWidth Value=\"100\"/>\r\n  <DryOut Value=\"16383\"/>\r\n</Preset>\r\n");
    RunResult run = Process("--preset-xml \"" + preset + "\"");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("level 50.000% (0.5), centre 2500 Hz, bandwidth 100 Hz"))
        << run.output;

    // Options on the command line still come on top of the preset.
    run = Process("--preset-xml \"" + preset + "\" --cutoff 700");
    ASSERT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("centre 700 Hz, bandwidth 100 Hz")) << run.output;
}

TEST_F(PresetXmlOption, UnreadablePresetsAreReportedAndNothingIsWritten)
{
    const struct {
        const char* name;
        const char* content;  // null: no file
    } rows[] = {
        {"missing.xml", nullptr},
        {"empty.xml", ""},
        {"broken.xml", "<Preset><DryOut Value=\"1\"></Preset>"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = row.content ? Write(row.name, row.content) : folder + row.name;
        DeleteFileA((folder + "out.wav").c_str());
        const RunResult run = Process("--preset-xml \"" + path + "\"");
        EXPECT_EQ(1u, run.exitCode) << run.output;
        EXPECT_NE(std::string::npos, run.output.find(path)) << run.output;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "out.wav").c_str()));
    }
}

TEST_F(PresetXmlOption, PresetsOverTheSizeLimitAreRefusedUnread)
{
    // Well-formed and quick to parse: only its size may keep it out.
    std::string preset = "<Preset><CutOffFreq Value=\"777\"/>";
    while (preset.size() <= kMaxReadableXmlFileBytes)
        preset += "<Unused Value=\"0\"/>\r\n";
    preset += "</Preset>";
    const std::string path = Write("oversized.xml", preset);
    DeleteFileA((folder + "out.wav").c_str());
    const RunResult run = Process("--preset-xml \"" + path + "\"");
    EXPECT_EQ(1u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("larger than 256 KiB")) << run.output;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "out.wav").c_str()));
}

}  // namespace
