// effect-host graph OUT.png: a picture of the response graph in the plug-in's settings window
// for a record, drawn by the plug-in itself into a bitmap of ours.
#include <cstdio>
#include <vector>

#include "tools/effect-host/commands.h"
#include "platform/gdi.h"
#include "tools/effect-host/png_file.h"
#include "res/resource_ids.h"
#include "tools/shared/settings_record.h"

namespace {
constexpr int kGraphId = IDC_RESPONSE_GRAPH;

// A hidden top-level window for the settings window to live in: nothing is shown on screen.
class HiddenParent {
public:
    HiddenParent()
        : window_(CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr))
    {
        if (!window_)
            throw HostError("cannot create a window");
    }
    ~HiddenParent() { DestroyWindow(window_); }
    HiddenParent(const HiddenParent&) = delete;
    HiddenParent& operator=(const HiddenParent&) = delete;
    operator HWND() const { return window_; }

private:
    HWND window_;
};
}  // namespace

int RunGraph(int argc, char** argv)
{
    Options options(argc, argv);
    std::vector<std::string> known = kSettingsOptions;
    known.insert(known.end(), {"width", "height"});
    options.Allow(known);
    if (options.Positional().size() != 1)
        throw UsageError("graph takes the output file: graph OUT.png");
    const uint32_t width = options.Unsigned("width", 0);
    const uint32_t height = options.Unsigned("height", 0);
    if ((options.Has("width") && (width < 1 || width > 4096)) || (options.Has("height") && (height < 1 || height > 4096)))
        throw UsageError("--width and --height take 1 to 4096 pixels");

    PluginLibrary plugin;
    const SettingsRecord settings = StartingSettings(plugin, options);
    HiddenParent parent;
    // The window is the host's to destroy; the parent takes it along.
    const HWND window = plugin.CreateSettingsWindow(parent, settings.Get());
    const HWND graph = window ? GetDlgItem(window, kGraphId) : nullptr;
    if (!graph)
        throw HostError("the plug-in could not create its settings window");
    RECT client;
    GetClientRect(graph, &client);
    const int w = width ? static_cast<int>(width) : client.right;
    const int h = height ? static_cast<int>(height) : client.bottom;
    if (w != client.right || h != client.bottom)
        SetWindowPos(graph, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);

    WindowDC screen(graph);
    MemoryDC memory(CreateCompatibleDC(screen));
    Bitmap picture(CreateCompatibleBitmap(screen, w, h));
    if (!screen || !memory || !picture)
        throw HostError("cannot make a bitmap of the graph");
    {
        SelectionGuard selected(memory, picture);
        // The graph draws everything in its background erase, into the DC it is handed.
        SendMessageA(graph, WM_ERASEBKGND, reinterpret_cast<WPARAM>(static_cast<HDC>(memory)), 0);
    }
    WritePng(options.Positional()[0], picture);
    std::printf("wrote %s: %dx%d, %s\n", options.Positional()[0].c_str(), w, h, DescribeSettings(*settings.Get()).c_str());
    return 0;
}
