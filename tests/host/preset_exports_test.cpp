// Initialize, LoadPreset and SavePreset through the loaded DLL, on the registry and INI files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tools/shared/plugin_library.h"

namespace {

const char kKey[] = "Software\\BandRejectTests\\Presets";
// The SDK's constants are pasted literals that clang-tidy misreads inside macro arguments.
constexpr LONG kRegistryOk = ERROR_SUCCESS;

struct PresetExports : ::testing::Test {
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        ini = std::string(folder) + "bandreject_presets.ini";
        DeleteFileA(ini.c_str());
        ASSERT_TRUE(initialize && loadPreset && savePreset);
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        DeleteFileA(ini.c_str());
    }
    std::string FileText() const
    {
        std::ifstream file(ini, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    PluginLibrary library;
    decltype(&Initialize) initialize = library.Initialize;
    decltype(&LoadPreset) loadPreset = library.LoadPreset;
    decltype(&SavePreset) savePreset = library.SavePreset;
    std::string ini;
};

TEST_F(PresetExports, EmptyStoreGivesDefaults)
{
    for (int store = 0; store < 3; ++store) {
        SCOPED_TRACE(store);
        EffectSettings* record = nullptr;
        const uint32_t result = store == 0   ? initialize(nullptr, nullptr, nullptr, &record)
                                : store == 1 ? initialize(nullptr, kKey, HKEY_CURRENT_USER, &record)
                                             : loadPreset(ini.c_str(), "Missing", nullptr, &record);
        ASSERT_EQ(result, 1u);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->dryOut, 1.000015259254738);
        EXPECT_EQ(record->volume2, 1.000015259254738);
        EXPECT_EQ(record->cutOffFreq, 1000u);
        EXPECT_EQ(record->bandWidth, 400u);
        const uint8_t zero[16] = {};
        EXPECT_EQ(std::memcmp(reinterpret_cast<const uint8_t*>(record) + 24, zero, 16), 0);
        library.Free(record);
    }
}

TEST_F(PresetExports, RegistryRoundTripKeepsEveryStoredValue)
{
    const uint32_t stored[][4] = {{0, 16383, 0, 100000},
                                  {32767, 65535, 4294967295u, 1},
                                  {1, 2, 3, 4},
                                  {2147483648u, 4294967295u, 5, 6},
                                  {2147483647u, 3000000000u, 7, 8}};
    const char* const names[] = {"DryOut", "Volume2", "CutOffFreq", "BandWidth"};
    for (const auto& row : stored) {
        {
            RegistryKey key;
            const LONG created =
                RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.Receive(), nullptr);
            ASSERT_EQ(created, kRegistryOk);
            for (int k = 0; k < 4; ++k)
                RegSetValueExA(key, names[k], 0, REG_NONE, reinterpret_cast<const BYTE*>(&row[k]), 4);
        }
        EffectSettings* record = nullptr;
        ASSERT_EQ(loadPreset(nullptr, kKey, HKEY_CURRENT_USER, &record), 1u);
        EXPECT_EQ(record->dryOut, (row[0] + 0.5) * 3.051850947599719e-05);
        EXPECT_EQ(record->cutOffFreq, row[2]);
        EXPECT_EQ(record->bandWidth, row[3]);
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        EXPECT_EQ(savePreset(nullptr, kKey, HKEY_CURRENT_USER, record), 1u);
        library.Free(record);

        RegistryKey key;
        const LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, key.Receive());
        ASSERT_EQ(opened, kRegistryOk);
        for (int k = 0; k < 4; ++k) {
            SCOPED_TRACE(names[k]);
            DWORD type = 0xdeadbeef, size = 8;
            uint32_t value[2] = {0xdeadbeef, 0xdeadbeef};
            ASSERT_EQ(RegQueryValueExA(key, names[k], nullptr, &type, reinterpret_cast<BYTE*>(value), &size),
                      kRegistryOk);
            EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));
            EXPECT_EQ(size, 4u);
            EXPECT_EQ(value[0], row[k]);
        }
    }
}

TEST_F(PresetExports, IniRoundTripWritesTheTextsAndKeepsTheValues)
{
    EffectSettings* record = nullptr;
    ASSERT_EQ(initialize(nullptr, nullptr, nullptr, &record), 1u);
    record->dryOut = 0.5;
    record->cutOffFreq = 2500;
    EXPECT_EQ(savePreset(ini.c_str(), "Hum", nullptr, record), 1u);
    library.Free(record);
    EXPECT_EQ(FileText(), "[Hum]\r\nDryOut=16383\r\nVolume2=32767\r\nCutOffFreq=2500\r\nBandWidth=400\r\n");

    ASSERT_EQ(loadPreset(ini.c_str(), "HUM", nullptr, &record), 1u);
    EXPECT_EQ(record->dryOut, 16383.5 * 3.051850947599719e-05);
    EXPECT_EQ(record->cutOffFreq, 2500u);
    EXPECT_EQ(savePreset(ini.c_str(), "Hum", nullptr, record), 1u);
    library.Free(record);
    EXPECT_EQ(FileText(), "[Hum]\r\nDryOut=16383\r\nVolume2=32767\r\nCutOffFreq=2500\r\nBandWidth=400\r\n");
}

TEST_F(PresetExports, LevelsBeyondTheSignedRangeSaveTheirLow32Bits)
{
    const struct {
        double level;
        const char* text;
    } rows[] = {
        {-1.0, "-32767"},          {65537.0, "2147450879"}, {65539.0, "-2147450883"}, {131071.0, "-163839"},
        {1e30, "0"},               {std::nan(""), "0"},      {-1e30, "0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EffectSettings* record = nullptr;
        ASSERT_EQ(initialize(nullptr, nullptr, nullptr, &record), 1u);
        record->dryOut = row.level;
        DeleteFileA(ini.c_str());
        EXPECT_EQ(savePreset(ini.c_str(), "Wild", nullptr, record), 1u);
        library.Free(record);
        const std::string saved = FileText();
        EXPECT_EQ(saved.substr(0, saved.find("\r\nVolume2")), std::string("[Wild]\r\nDryOut=") + row.text);
        // What was saved loads and saves back as the same text.
        ASSERT_EQ(loadPreset(ini.c_str(), "Wild", nullptr, &record), 1u);
        EXPECT_EQ(savePreset(ini.c_str(), "Wild", nullptr, record), 1u);
        library.Free(record);
        EXPECT_EQ(FileText(), saved);
    }
}

TEST_F(PresetExports, SavePresetReportsARegistryKeyThatCannotBeCreated)
{
    EffectSettings* record = nullptr;
    ASSERT_EQ(initialize(nullptr, nullptr, nullptr, &record), 1u);
    EXPECT_EQ(savePreset(nullptr, kKey, reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234)), record), 0u);
    library.Free(record);
}

}  // namespace
