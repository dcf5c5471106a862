// effect-host graph OUT.png: a picture of the settings window's response graph for a record,
// measured and drawn by the same code the plug-in's window uses.
#include <cstdio>
#include <vector>

#include "commands.h"
#include "dsp/chain.h"
#include "png_file.h"
#include "settings_record.h"
#include "ui/response_computation.h"
#include "ui/response_graph.h"

namespace {
// The graph's size in the settings dialog, 153 x 118 dialog units of its 8-point font.
constexpr uint32_t kDialogGraphWidth = 230;
constexpr uint32_t kDialogGraphHeight = 192;

class PreviewChain {
public:
    PreviewChain() : record_{}
    {
        if (!BuildChain(&record_))
            throw std::bad_alloc();
    }
    ~PreviewChain() { ReleaseChain(&record_); }
    PreviewChain(const PreviewChain&) = delete;
    PreviewChain& operator=(const PreviewChain&) = delete;
    EffectSettings& Record() { return record_; }

private:
    EffectSettings record_;
};

// A hidden top-level window to hold the graph: nothing is shown on screen.
class HiddenParent {
public:
    HiddenParent(int width, int height)
        : window_(CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr))
    {
        if (!window_)
            throw std::runtime_error("cannot create a window");
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
    const uint32_t width = options.Unsigned("width", kDialogGraphWidth);
    const uint32_t height = options.Unsigned("height", kDialogGraphHeight);
    if (width < 1 || width > 4096 || height < 1 || height > 4096)
        throw UsageError("--width and --height take 1 to 4096 pixels");

    Plugin plugin;
    const SettingsRecord settings = StartingSettings(plugin, options);
    PreviewChain preview;
    ResponseCurve curve;
    ComputeResponse(*settings.Get(), preview.Record(), curve);

    HiddenParent parent(static_cast<int>(width), static_cast<int>(height));
    ResponseGraph graph;
    graph.SetCurve(&curve);
    if (!graph.Create(parent, RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)}, 32215))
        throw std::runtime_error("cannot create the response graph window");
    const Bitmap picture = graph.Snapshot();
    if (!picture)
        throw std::runtime_error("cannot draw the response graph");
    WritePng(options.Positional()[0], picture);
    std::printf("wrote %s: %ux%u, %s\n", options.Positional()[0].c_str(), width, height,
                DescribeSettings(*settings.Get()).c_str());
    return 0;
}
