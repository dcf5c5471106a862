// effect-host settings: the plug-in's settings window embedded in a host frame window. Each
// change notification is printed with the record's values; closing the frame saves the preset
// that was named. With --screenshot FILE.png the window is drawn, saved as a picture, and the
// command ends (run it under Xvfb where there is no display).
#include <cstdio>
#include <stdexcept>

#include "platform/gdi.h"
#include "tools/effect-host/commands.h"
#include "tools/effect-host/png_file.h"
#include "tools/shared/host_frame.h"
#include "tools/shared/preset_xml.h"
#include "tools/shared/settings_record.h"

namespace {
const HostFrameLook kFrameLook{"EffectHostSettingsFrame", "effect-host: Band Reject Filter",
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT,
                                200, 100};

// Handles what is queued; false when the frame was closed meanwhile (WM_QUIT was taken).
bool PumpPending(HWND dialog)
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            return false;
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}

// What the window shows on screen, read back from its device context.
void SaveScreenshot(HWND window, const std::string& path)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    RECT client;
    GetClientRect(window, &client);
    WindowDC screen(window);
    MemoryDC memory(CreateCompatibleDC(screen));
    Bitmap picture(CreateCompatibleBitmap(screen, client.right, client.bottom));
    if (!screen || !memory || !picture)
        throw HostError("cannot make a bitmap of the settings window");
    {
        SelectionGuard selected(memory, picture);
        BitBlt(memory, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    }
    WritePng(path, picture);
}

// Saves the record back where --preset-xml, --preset-ini or --preset-reg loaded it from; the
// description of the place, or empty when no preset was named.
std::string SaveNamedPreset(const PluginLibrary& plugin, const Options& options, const EffectSettings& settings)
{
    if (options.Has("preset-xml")) {
        std::string path = FullPath(options.Text("preset-xml"));
        SavePresetXmlFile(plugin, path, settings);
        return path;
    }
    if (options.Has("preset-ini")) {
        const std::string path = FullPath(options.Text("preset-ini"));
        plugin.SavePreset(path.c_str(), options.Text("section").c_str(), nullptr, &settings);
        return path + " [" + options.Text("section") + "]";
    }
    if (options.Has("preset-reg")) {
        std::string key = "HKEY_CURRENT_USER\\" + options.Text("preset-reg");
        if (!plugin.SavePreset(nullptr, options.Text("preset-reg").c_str(), HKEY_CURRENT_USER,
                                               &settings))
            throw HostError("cannot create the registry key " + key);
        return key;
    }
    return std::string();
}
}  // namespace

int RunSettings(int argc, char** argv)
{
    Options options(argc, argv);
    std::vector<std::string> known = kSettingsOptions;
    known.push_back("screenshot");
    options.Allow(known);
    if (!options.Positional().empty())
        throw UsageError("settings takes options only");

    PluginLibrary plugin;
    SettingsRecord settings = StartingSettings(plugin, options);
    std::printf("opened: %s\n", DescribeSettings(*settings.Get()).c_str());
    HostFrame frame(kFrameLook);
    frame.quitWhenDestroyed = true;
    const HWND settingsWindow = plugin.CreateSettingsWindow(frame.Handle(), settings.Get());
    if (!settingsWindow)
        throw HostError("the plug-in could not create its settings window");
    frame.onChange = [&](const FrameNotification& notification) {
        if (notification.source == settingsWindow) {
            std::printf("changed: %s\n", DescribeSettings(*settings.Get()).c_str());
            std::fflush(stdout);
        }
    };
    frame.FitTo(settingsWindow);
    ShowWindow(settingsWindow, SW_SHOW);
    ShowWindow(frame.Handle(), SW_SHOW);
    UpdateWindow(frame.Handle());
    const bool open = PumpPending(settingsWindow);
    frame.ThrowIfHandlerFailed();

    if (open && options.Has("screenshot")) {
        SaveScreenshot(settingsWindow, options.Text("screenshot"));
        std::printf("screenshot: %s\n", options.Text("screenshot").c_str());
        return 0;
    }

    MSG message;
    while (open && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(settingsWindow, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        frame.ThrowIfHandlerFailed();
    }
    const std::string saved = SaveNamedPreset(plugin, options, *settings.Get());
    if (!saved.empty())
        std::printf("saved %s to %s\n", DescribeSettings(*settings.Get()).c_str(), saved.c_str());
    return 0;
}
