// effect-host preset: each store written by the plug-in (XML by the host), read back by process.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>

#include "tests/support/effect_host_runner.h"
#include "xml/file_size_limit.h"

namespace {

const char kKey[] = "Software\\BandRejectTests\\EffectHost";

struct EffectHostPreset : ::testing::Test {
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }
    std::string folder = ScratchFolder("preset");
};

TEST_F(EffectHostPreset, StoresChainAndTheSettingsSurvive)
{
    const std::string xml = folder + "hum.xml";
    const std::string ini = folder + "hum.ini";
    RunResult run = RunEffectHost("preset --to-xml \"" + xml + "\" --cutoff 60 --bandwidth 20 --level 50");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(ReadFile(xml), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Preset>\r\n"
                             "  <DryOut Value=\"16383\"/>\r\n  <Volume2 Value=\"32767\"/>\r\n"
                             "  <CutOffFreq Value=\"60\"/>\r\n  <BandWidth Value=\"20\"/>\r\n</Preset>\r\n");

    run = RunEffectHost("preset --preset-xml \"" + xml + "\" --to-reg " + kKey);
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    run = RunEffectHost(std::string("preset --preset-reg ") + kKey + " --to-ini \"" + ini + "\" --to-section Hum");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(ReadFile(ini), "[Hum]\r\nDryOut=16383\r\nVolume2=32767\r\nCutOffFreq=60\r\nBandWidth=20\r\n");
    EXPECT_NE(run.output.find("centre 60 Hz, bandwidth 20 Hz"), std::string::npos) << run.output;
}

TEST_F(EffectHostPreset, SavingIntoAnExistingXmlPresetKeepsItsOtherContent)
{
    const std::string xml = folder + "keep.xml";
    {
        HANDLE file = CreateFileA(xml.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const char text[] = "<Presets Owner=\"a &amp; b\"><bandwidth Value=\"1\"/><Other/></Presets>";
        DWORD written = 0;
        WriteFile(file, text, sizeof text - 1, &written, nullptr);
        CloseHandle(file);
    }
    const RunResult run = RunEffectHost("preset --preset-xml \"" + xml + "\" --to-xml \"" + xml + "\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(ReadFile(xml), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Presets Owner=\"a &amp; b\">\r\n"
                             "  <bandwidth Value=\"1\"/>\r\n  <Other/>\r\n  <DryOut Value=\"32767\"/>\r\n"
                             "  <Volume2 Value=\"32767\"/>\r\n  <CutOffFreq Value=\"1000\"/>\r\n</Presets>\r\n");
}

TEST_F(EffectHostPreset, CommentsAndTextOfAnExistingXmlPresetAreDroppedAndTheFileStaysReadable)
{
    const std::string xml = folder + "annotated.xml";
    const std::string ini = folder + "annotated.ini";
    {
        std::ofstream(xml, std::ios::binary) << "<Preset><!-- hum of the old amplifier --><?app mark?>"
                                                "<CutOffFreq Value=\"60\"/>text<Other><![CDATA[a < b]]></Other></Preset>";
    }
    RunResult run = RunEffectHost("preset --preset-xml \"" + xml + "\" --to-xml \"" + xml + "\" --bandwidth 30");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("note: comments and text of " + xml + " are not kept"), std::string::npos)
        << run.output;
    EXPECT_EQ(ReadFile(xml), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Preset>\r\n"
                             "  <CutOffFreq Value=\"60\"/>\r\n  <Other/>\r\n  <DryOut Value=\"32767\"/>\r\n"
                             "  <Volume2 Value=\"32767\"/>\r\n  <BandWidth Value=\"30\"/>\r\n</Preset>\r\n");

    run = RunEffectHost("preset --preset-xml \"" + xml + "\" --to-ini \"" + ini + "\" --to-section Hum");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(ReadFile(ini), "[Hum]\r\nDryOut=32767\r\nVolume2=32767\r\nCutOffFreq=60\r\nBandWidth=30\r\n");
    EXPECT_EQ(run.output.find("note:"), std::string::npos) << "nothing left to drop: " << run.output;
}

TEST_F(EffectHostPreset, AnExistingXmlTargetOverTheSizeLimitIsLeftUntouched)
{
    const std::string xml = folder + "oversized.xml";
    std::string preset = "<Preset>";
    while (preset.size() <= kMaxReadableXmlFileBytes)
        preset += "<Unused Value=\"0\"/>\r\n";
    preset += "</Preset>";
    {
        std::ofstream(xml, std::ios::binary) << preset;
    }
    const RunResult run = RunEffectHost("preset --to-xml \"" + xml + "\" --cutoff 60");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_NE(run.output.find(xml), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("larger than 256 KiB"), std::string::npos) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    EXPECT_TRUE(ReadFile(xml) == preset) << "the target was changed";
    EXPECT_EQ(GetFileAttributesA((xml + ".partial").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(EffectHostPreset, BadTargetsAndSourcesAreReported)
{
    EXPECT_EQ(RunEffectHost("preset --to-ini x.ini").exitCode, 2u);
    EXPECT_EQ(RunEffectHost("preset --to-reg A --to-xml b.xml").exitCode, 2u);
    EXPECT_EQ(RunEffectHost("preset --preset-ini a.ini --to-reg A").exitCode, 2u);
    const RunResult missing = RunEffectHost(std::string("preset --preset-reg ") + kKey + "\\Missing --to-reg A");
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_NE(missing.output.find("no registry key"), std::string::npos) << missing.output;
}

}  // namespace
