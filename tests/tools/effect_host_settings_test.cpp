// effect-host settings: the embedded settings window prints every notification with the
// record's values, --screenshot saves a picture of it, and closing the frame saves the preset.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/effect_host_runner.h"
#include "support/plugin_library.h"

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

TEST(EffectHostSettings, ClosingTheFrameSavesTheNamedPreset)
{
    const std::string folder = ScratchFolder("settings-save");
    const std::string ini = folder + "presets.ini";
    std::string commandLine =
        "\"" + EffectHostPath() + "\" settings --preset-ini \"" + ini + "\" --section Mine --cutoff 1000";
    {
        std::ofstream(ini, std::ios::binary) << "[Mine]\r\n";
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    const HWND frame = FindFrame(process.dwProcessId);
    EXPECT_TRUE(frame != nullptr);
    if (frame) {
        const HWND settings = FindWindowExA(frame, nullptr, nullptr, nullptr);
        const HWND centreEdit = GetDlgItem(settings, 32214);
        ASSERT_TRUE(centreEdit != nullptr);
        // A paste into the edit commits at once, as typing does.
        SendMessageA(centreEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("4321"));
        PostMessageA(frame, WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 30000));
    TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    const RunResult reopened =
        RunEffectHost("settings --preset-ini \"" + ini + "\" --section Mine --screenshot \"" + folder + "x.png\"");
    ASSERT_EQ(0u, reopened.exitCode) << reopened.output;
    EXPECT_NE(std::string::npos, reopened.output.find("opened: level 100.002% (1.000015259254738), centre 4321 Hz")) << reopened.output;
}
}  // namespace
