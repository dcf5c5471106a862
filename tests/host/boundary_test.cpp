// The boundary rules of host/plugin_api.h through the loaded DLL: every entry point given a null
// record, block, format or output pointer returns its failure result and leaves what it was
// given as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tools/shared/plugin_library.h"

namespace {
uint32_t __cdecl Silence(uint32_t, SampleBlock* block)
{
    for (float** channel = block->channelsBegin; channel != block->channelsEnd; ++channel)
        std::memset(*channel, 0, block->sampleCount * sizeof(float));
    return block->sampleCount;
}

class NullRecords : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(initialize && initializeXml && loadPreset && savePreset && savePresetXml && createWindow);
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        ini = std::string(folder) + "bandreject_null_records.ini";
        DeleteFileA(ini.c_str());
        ASSERT_EQ(1u, initialize(nullptr, nullptr, nullptr, &record));
        format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
        format.nChannels = 2;
        format.nSamplesPerSec = 44100;
    }
    void TearDown() override
    {
        plugin.Free(record);
        DeleteFileA(ini.c_str());
    }

    PluginLibrary plugin;
    decltype(&Initialize) initialize = plugin.Initialize;
    decltype(&InitializeXml) initializeXml = plugin.InitializeXml;
    decltype(&LoadPreset) loadPreset = plugin.LoadPreset;
    decltype(&SavePreset) savePreset = plugin.SavePreset;
    decltype(&SavePresetXml) savePresetXml = plugin.SavePresetXml;
    decltype(&CreateSettingsWindow) createWindow =
        plugin.CreateSettingsWindow;
    EffectSettings* record = nullptr;
    WAVEFORMATEX format{};
    std::string ini;
};

TEST_F(NullRecords, StreamEntryPointsReturnZero)
{
    EXPECT_EQ(0u, plugin.PlugInInfo(nullptr));
    EffectSettings* sentinel = reinterpret_cast<EffectSettings*>(0xdeadbeef);
    EffectSettings* out = sentinel;
    EXPECT_EQ(0u, plugin.CopySettings(&out, nullptr));
    EXPECT_EQ(sentinel, out);
    EXPECT_EQ(0u, plugin.CopySettings(nullptr, record));
    plugin.Free(nullptr);
    EXPECT_EQ(0u, plugin.SetStreamCallBack(Silence, 7, nullptr));
    EXPECT_EQ(0u, plugin.OpenStream(nullptr, &format));
    EXPECT_EQ(0u, plugin.CloseStream(nullptr));

    float left[64], right[64];  // cppcheck-suppress unassignedVariable ; the stream writes them
    float* channels[2] = {left, right};
    SampleBlock block{};
    block.channelsBegin = channels;
    block.channelsEnd = block.channelsCapacityEnd = channels + 2;
    block.sampleCount = 64;
    block.processedCount = -1;
    EXPECT_EQ(0u, plugin.ProcessStream(&block, nullptr));
    EXPECT_EQ(-1, block.processedCount) << "the block is left alone";
    EXPECT_EQ(0u, plugin.ProcessStream(nullptr, record));
}

TEST_F(NullRecords, OpenStreamWithoutAFormatLeavesTheRecordAsItWas)
{
    ASSERT_EQ(1u, plugin.SetStreamCallBack(Silence, 0, record));
    ASSERT_EQ(0u, plugin.OpenStream(record, &format));
    EffectSettings before;
    std::memcpy(&before, record, sizeof before);
    EXPECT_EQ(0u, plugin.OpenStream(record, nullptr));
    EXPECT_EQ(0, std::memcmp(&before, record, sizeof before)) << "the open stream stays as it was";  // NOLINT(bugprone-suspicious-memory-comparison): the bit patterns must match
    EXPECT_EQ(1u, plugin.CloseStream(record));
}

TEST_F(NullRecords, SettingsEntryPointsReturnZeroAndStoreNothing)
{
    EXPECT_EQ(0u, initialize(ini.c_str(), "Band", nullptr, nullptr));
    EXPECT_EQ(0u, loadPreset(ini.c_str(), "Band", nullptr, nullptr));
    EXPECT_EQ(0u, initializeXml(nullptr, nullptr));
    EXPECT_EQ(0u, savePreset(ini.c_str(), "Band", nullptr, nullptr));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ini.c_str())) << "nothing written";
    EXPECT_EQ(0u, savePresetXml(nullptr, nullptr));
}

TEST_F(NullRecords, SettingsWindowWithoutARecordEditsNothing)
{
    const HWND parent = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 640, 400, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(parent != nullptr);
    const HWND window = createWindow(parent, nullptr);
    EXPECT_TRUE(window != nullptr);
    if (window)
        DestroyWindow(window);
    DestroyWindow(parent);
}
}  // namespace
