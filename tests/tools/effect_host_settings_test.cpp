// effect-host settings: the embedded settings window prints every notification with the
// record's values, --screenshot saves a picture of it, and closing the frame saves the preset.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "res/resource_ids.h"
#include "tests/support/effect_host_runner.h"
#include "tools/shared/plugin_library.h"

namespace {
size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

uint32_t BigEndian(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

TEST(EffectHostSettings, ScreenshotShowsTheWindowAfterItsInitialCommits)
{
    const std::string folder = ScratchFolder("settings-screenshot");
    const std::string picture = folder + "window.png";
    const RunResult result = RunEffectHost("settings --cutoff 250 --bandwidth 6000 --screenshot \"" + picture + "\"");
    ASSERT_EQ(0u, result.exitCode) << result.output;
    // Only the centre lies in its edit's range, so only it commits while the window opens.
    EXPECT_EQ(1u, Count(result.output, "changed: level 100.000% (1), centre 250 Hz, bandwidth 6000 Hz"))
        << result.output;
    EXPECT_EQ(1u, Count(result.output, "changed:")) << result.output;
    const std::string png = ReadFile(picture);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(std::string("\x89PNG\r\n\x1a\n", 8), png.substr(0, 8));
    // 281 x 121 dialog units of an 8-point font: several hundred pixels wide, under half as high.
    const uint32_t width = BigEndian(png, 16), height = BigEndian(png, 20);
    EXPECT_GT(width, 281u);
    EXPECT_GT(height, 121u);
    EXPECT_LT(height * 2, width);
}

HWND FindFrame(DWORD processId)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        for (HWND window = FindWindowExA(nullptr, nullptr, "EffectHostSettingsFrame", nullptr); window;
             window = FindWindowExA(nullptr, window, "EffectHostSettingsFrame", nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == processId && IsWindowVisible(window))
                return window;
        }
        Sleep(50);
    }
    return nullptr;
}

// Runs settings with arguments, lets change act on the embedded settings window once the frame
// shows, then closes the frame as a user does.
RunResult RunAndCloseSettings(const std::string& arguments, const std::function<void(HWND settings)>& change)
{
    return RunEffectHost("settings " + arguments, [&](DWORD processId) {
        const HWND frame = FindFrame(processId);
        ASSERT_TRUE(frame != nullptr) << "no settings frame appeared";
        change(FindWindowExA(frame, nullptr, nullptr, nullptr));
        PostMessageA(frame, WM_CLOSE, 0, 0);
    });
}

// The values a preset gives the window when it opens, or what went wrong.
std::string OpenedWith(const std::string& presetOptions, const std::string& folder)
{
    const RunResult run = RunEffectHost("settings " + presetOptions + " --screenshot \"" + folder + "x.png\"");
    const size_t opened = run.output.find("opened: ");
    return run.exitCode == 0 && opened != std::string::npos
               ? run.output.substr(opened, run.output.find_first_of("\r\n", opened) - opened)
               : run.output;
}

// A paste into the edit commits at once, as typing does.
void PasteCentre(HWND settings, const char* text)
{
    const HWND centreEdit = GetDlgItem(settings, IDC_CENTRE_EDIT);
    ASSERT_TRUE(centreEdit != nullptr);
    SendMessageA(centreEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

TEST(EffectHostSettings, ClosingTheFrameSavesTheNamedPreset)
{
    const std::string folder = ScratchFolder("settings-save");
    const std::string ini = folder + "presets.ini";
    {
        std::ofstream(ini, std::ios::binary) << "[Mine]\r\n";
    }
    const std::string preset = "--preset-ini \"" + ini + "\" --section Mine";
    const RunResult run =
        RunAndCloseSettings(preset + " --cutoff 1000", [](HWND settings) { PasteCentre(settings, "4321"); });
    ASSERT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ("opened: level 100.002% (1.000015259254738), centre 4321 Hz, bandwidth 400 Hz", OpenedWith(preset, folder));
}

TEST(EffectHostSettings, SavingIntoAnXmlPresetWithCommentsAndTextLeavesItReadable)
{
    const std::string folder = ScratchFolder("settings-save-xml");
    const std::string xml = folder + "preset.xml";
    {
        std::ofstream(xml, std::ios::binary)
            << "<Preset><!-- mine --><BandWidth Value=\"300\"/>hum<Note><![CDATA[a < b]]></Note></Preset>";
    }
    const std::string preset = "--preset-xml \"" + xml + "\"";
    const RunResult run = RunAndCloseSettings(preset, [](HWND settings) { PasteCentre(settings, "4321"); });
    ASSERT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(1u, Count(run.output, "comments and text of " + xml + " are not kept")) << run.output;
    EXPECT_EQ(std::string::npos, ReadFile(xml).find("</>")) << ReadFile(xml);
    EXPECT_EQ("opened: level 100.002% (1.000015259254738), centre 4321 Hz, bandwidth 300 Hz", OpenedWith(preset, folder));
}
}  // namespace
