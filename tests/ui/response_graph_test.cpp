// The response graph on real windows under Xvfb: what it paints, read back pixel by pixel, and
// how the mouse zooms it.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "dsp/chain.h"
#include "platform/gdi.h"
#include "res/resource_ids.h"
#include "tests/support/bitmap_pixels.h"
#include "tests/support/host_fp_states.h"
#include "ui/response_computation.h"
#include "ui/response_graph.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr int kWidth = 282;   // 50 pixels a decade for x 2..6
constexpr int kHeight = 208;  // 30 pixels a unit for y -4..1

RECT ShownPlotArea(const GraphLayout& layout)
{
    const RECT area = layout.PlotArea();
    return RECT{Shown(area.left), Shown(area.top), Shown(area.right), Shown(area.bottom)};
}

// GetGuiResources where the system counts; otherwise the live entries of the handle table,
// which a handle without its upper word still names.
int LiveGdiObjects()
{
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted)
        return static_cast<int>(counted);
    int live = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index)
        live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return live;
}

class ResponseGraphTest : public testing::Test {
protected:
    void SetUp() override
    {
        parent_ = CreateWindowExA(0, "Static", "graph test", WS_POPUP | WS_VISIBLE, 0, 0, kWidth + 40,
                                  kHeight + 40, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(parent_ != nullptr);
        preview_ = EffectSettings{};
        ASSERT_TRUE(BuildChain(&preview_));
    }
    void TearDown() override
    {
        graph_.reset();
        ReleaseChain(&preview_);
        DestroyWindow(parent_);
    }

    ResponseGraph& MakeGraph(int width, int height, const ResponseCurve* curve)
    {
        graph_ = std::make_unique<ResponseGraph>();
        graph_->SetCurve(curve);
        EXPECT_TRUE(graph_->Create(parent_, RECT{10, 10, 10 + width, 10 + height}, IDC_RESPONSE_GRAPH));
        return *graph_;
    }

    void Measure(double level, uint32_t centre, uint32_t bandwidth)
    {
        EffectSettings settings{};
        settings.dryOut = level;
        settings.cutOffFreq = centre;
        settings.bandWidth = bandwidth;
        MeasureResponse(settings, preview_, curve_);
    }

    void Send(UINT message, int x, int y, WPARAM keys = 0)
    {
        SendMessageA(graph_->Handle(), message, keys, MAKELPARAM(x, y));
    }

    HWND parent_ = nullptr;
    EffectSettings preview_{};
    ResponseCurve curve_;
    std::unique_ptr<ResponseGraph> graph_;
};

void ExpectVerticalGridLine(const Pixels& pixels, int x, int top, int bottom)
{
    SCOPED_TRACE(testing::Message() << "vertical grid line at x " << x);
    const int length = bottom - top + 1;
    // Beside the line only the crossing horizontal lines have the grid's colour.
    EXPECT_GT(pixels.CountInColumn(Shown(x), top, bottom, ResponseGraph::kGridColour), length * 3 / 4);
    EXPECT_LT(pixels.CountInColumn(Shown(x) - 1, top, bottom, ResponseGraph::kGridColour), length / 4);
    EXPECT_LT(pixels.CountInColumn(Shown(x) + 1, top, bottom, ResponseGraph::kGridColour), length / 4);
}

void ExpectHorizontalGridLine(const Pixels& pixels, int y, int left, int right)
{
    SCOPED_TRACE(testing::Message() << "horizontal grid line at y " << y);
    const int length = right - left + 1;
    EXPECT_GT(pixels.CountInRow(Shown(y), left, right, ResponseGraph::kGridColour), length * 3 / 4);
    EXPECT_LT(pixels.CountInRow(Shown(y) - 1, left, right, ResponseGraph::kGridColour), length / 4);
    EXPECT_LT(pixels.CountInRow(Shown(y) + 1, left, right, ResponseGraph::kGridColour), length / 4);
}

void ExpectCurveDrawnInsidePlotAreaOnly(const Pixels& pixels, const GraphLayout& layout, const ResponseCurve& curve)
{
    const RECT area = ShownPlotArea(layout);
    EXPECT_EQ(0, pixels.CountOutside(area, ResponseGraph::kCurveColour));
    int inside = 0;
    for (size_t n = 0; n < curve.Size(); ++n) {
        POINT at = layout.ToPixel(curve[n]);
        at.x = Shown(at.x);
        at.y = Shown(at.y);
        // Points on the clip edges may have their pen pixels cut away.
        if (at.x <= area.left + 1 || at.x >= area.right - 2 || at.y <= area.top + 1 || at.y >= area.bottom - 2)
            continue;
        ++inside;
        EXPECT_TRUE(pixels.Near(at, ResponseGraph::kCurveColour)) << "point " << n << " at " << at.x << ", " << at.y;
    }
    EXPECT_GT(inside, 0);
}

TEST_F(ResponseGraphTest, DefaultCurveDrawsTheGridAndTheCurveWhereTheLayoutSays)
{
    Measure(1.0, 1000, 400);
    ResponseGraph& graph = MakeGraph(kWidth, kHeight, &curve_);
    const Pixels pixels(graph.Snapshot());
    ASSERT_EQ(kWidth, pixels.Width());
    EXPECT_TRUE(graph.Range() == (GraphRange{2, 6, -4, 1}));
    const GraphLayout& layout = graph.Layout();
    ASSERT_EQ(50, layout.xScale);
    ASSERT_EQ(30, layout.yScale);

    // Vertical lines at 100 Hz, 1 kHz, 10 kHz and 100 kHz, the last at the right end.
    for (int unit = 3; unit <= 6; ++unit)
        ExpectVerticalGridLine(pixels, layout.XPixel(unit), 12, 24);
    EXPECT_EQ(layout.PlotArea().right + 1, layout.XPixel(6));
    // Horizontal lines at -15, -10, -5, 0 and 5 dB, checked right of the curve's notch.
    for (int unit = -3; unit <= 1; ++unit)
        ExpectHorizontalGridLine(pixels, layout.YPixel(unit), 200, 230);
    // The axes, two pixels wide, black.
    EXPECT_EQ(kBlack, pixels.At(Shown(30), 100));
    EXPECT_EQ(kBlack, pixels.At(150, Shown(layout.OriginY())));
    ExpectCurveDrawnInsidePlotAreaOnly(pixels, layout, curve_);
    // The frame: the inner one-pixel frame is the window's first column and row.
    EXPECT_EQ(kBlack, pixels.At(0, 100));
    EXPECT_EQ(kBlack, pixels.At(100, 0));
    EXPECT_EQ(kWhite, pixels.At(kWidth - 1, 100));
}

TEST_F(ResponseGraphTest, NoLabelStandsAtTheAxes)
{
    Measure(1.0, 1000, 400);
    ResponseGraph& graph = MakeGraph(kWidth, kHeight, &curve_);
    const Pixels pixels(graph.Snapshot());
    const GraphLayout& layout = graph.Layout();
    // Labels are dark text on white. None stands at the axes (below the y axis' foot, left of
    // the x axis' end); one stands under the 100 Hz line and beside the -15 dB line.
    const auto dark = [&](int left, int right, int top, int bottom) {
        int count = 0;
        for (int y = Shown(top); y <= Shown(bottom); ++y)
            for (int x = Shown(left); x <= Shown(right); ++x)
                count += pixels.At(x, y) != kWhite;
        return count;
    };
    const int footTop = kHeight - 11, footBottom = kHeight - 4;
    EXPECT_EQ(0, dark(15, 45, footTop, footBottom));
    EXPECT_GT(dark(layout.XPixel(3) - 10, layout.XPixel(3) + 10, footTop, footBottom), 0);
    EXPECT_EQ(0, dark(4, 18, layout.OriginY() - 6, layout.OriginY() + 4));
    EXPECT_GT(dark(4, 18, layout.YPixel(-3) - 6, layout.YPixel(-3) + 4), 0);
}

TEST_F(ResponseGraphTest, EmptyCurveDrawsTheDefaultGridAndNoCurve)
{
    ResponseGraph& graph = MakeGraph(kWidth, kHeight, &curve_);
    const Pixels pixels(graph.Snapshot());
    const GraphLayout grid = MakeLayout(kWidth, kHeight, GraphRange{0, 5, -5, 0});
    for (int unit = 1; unit <= 5; ++unit)
        ExpectVerticalGridLine(pixels, grid.XPixel(unit), 40, 150);
    for (int unit = -4; unit <= 0; ++unit)
        ExpectHorizontalGridLine(pixels, grid.YPixel(unit), 40, 220);
    EXPECT_EQ(0, pixels.CountOutside(RECT{0, 0, 0, 0}, ResponseGraph::kCurveColour));
    EXPECT_TRUE(graph.Range() == (GraphRange{0, 0, 0, 0}));

    ResponseGraph& unset = MakeGraph(kWidth, kHeight, nullptr);
    EXPECT_TRUE(Pixels(unset.Snapshot()) == pixels);
}

TEST_F(ResponseGraphTest, DraggingLeftToRightZoomsAndIsDrawnWhileDragging)
{
    Measure(1.0, 1000, 400);
    ResponseGraph& graph = MakeGraph(kWidth, kHeight, &curve_);
    graph.Snapshot();
    Send(WM_LBUTTONDOWN, 105, 50, MK_LBUTTON);
    EXPECT_TRUE(graph.Dragging());
    EXPECT_EQ(graph.Handle(), GetCapture());
    Send(WM_MOUSEMOVE, 205, 140, MK_LBUTTON);

    const Pixels selecting(graph.Snapshot());
    // The selection rectangle's corners, black, in the stock pen.
    EXPECT_EQ(kBlack, selecting.At(Shown(105), Shown(95)));
    EXPECT_EQ(kBlack, selecting.At(Shown(204), Shown(95)));
    EXPECT_EQ(kBlack, selecting.At(Shown(150), Shown(50)));
    EXPECT_EQ(kBlack, selecting.At(Shown(150), Shown(139)));

    Send(WM_LBUTTONUP, 205, 140);
    EXPECT_FALSE(graph.Dragging());
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_TRUE(graph.Range() == (GraphRange{3, 6, -3, 1}));

    const Pixels zoomed(graph.Snapshot());
    const GraphLayout& layout = graph.Layout();
    EXPECT_EQ(200 / 3, layout.xScale);
    EXPECT_EQ(150 / 4, layout.yScale);
    for (int unit = 4; unit <= 6; ++unit)
        ExpectVerticalGridLine(zoomed, layout.XPixel(unit), 12, 30);
    ExpectCurveDrawnInsidePlotAreaOnly(zoomed, layout, curve_);
    // The zoom stays until it is reset, even across repaints.
    zoomed.Width();
    graph.Snapshot();
    EXPECT_TRUE(graph.Range() == (GraphRange{3, 6, -3, 1}));
    graph.ResetView();
    graph.Snapshot();
    EXPECT_TRUE(graph.Range() == (GraphRange{2, 6, -4, 1}));
}

TEST_F(ResponseGraphTest, OtherReleasesReturnToTheAutomaticRange)
{
    Measure(1.0, 1000, 400);
    ResponseGraph& graph = MakeGraph(kWidth, kHeight, &curve_);
    graph.Snapshot();
    const struct {
        int fromX, toX;
        bool moved;
    } rows[] = {{205, 105, true}, {150, 150, false}, {150, 150, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "from " << row.fromX << " to " << row.toX);
        Send(WM_LBUTTONDOWN, 135, 130, MK_LBUTTON);
        Send(WM_MOUSEMOVE, 170, 150, MK_LBUTTON);
        Send(WM_LBUTTONUP, 170, 150);
        graph.Snapshot();
        ASSERT_TRUE(graph.Range() == (GraphRange{4, 5, -3, -2}));
        graph.ResetView();
        graph.Snapshot();

        Send(WM_LBUTTONDOWN, row.fromX, 100, MK_LBUTTON);
        if (row.moved)
            Send(WM_MOUSEMOVE, row.toX, 120, MK_LBUTTON);
        Send(WM_LBUTTONUP, row.toX, 120);
        EXPECT_TRUE(graph.Range().Automatic());
        EXPECT_EQ(nullptr, GetCapture());
        graph.Snapshot();
        EXPECT_TRUE(graph.Range() == (GraphRange{2, 6, -4, 1}));
    }
}

TEST_F(ResponseGraphTest, RightButtonAbandonsTheSelection)
{
    Measure(1.0, 1000, 400);
    ResponseGraph& graph = MakeGraph(kWidth, kHeight, &curve_);
    graph.Snapshot();
    Send(WM_LBUTTONDOWN, 105, 50, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 205, 140, MK_LBUTTON);
    Send(WM_RBUTTONDOWN, 205, 140, MK_LBUTTON | MK_RBUTTON);
    EXPECT_TRUE(graph.Dragging());
    Send(WM_RBUTTONUP, 205, 140, MK_LBUTTON);
    EXPECT_FALSE(graph.Dragging());
    EXPECT_EQ(nullptr, GetCapture());
    Send(WM_LBUTTONUP, 205, 140);
    graph.Snapshot();
    EXPECT_TRUE(graph.Range() == (GraphRange{2, 6, -4, 1}));
}

TEST_F(ResponseGraphTest, PressesOutsideThePlotAreaStartNoSelection)
{
    Measure(1.0, 1000, 400);
    ResponseGraph& graph = MakeGraph(kWidth, kHeight, &curve_);
    graph.Snapshot();
    const POINT presses[] = {{29, 100}, {100, 185}, {100, 200}, {100, 34}, {230, 100}};
    for (const POINT& at : presses) {
        SCOPED_TRACE(testing::Message() << "press at " << at.x << ", " << at.y);
        Send(WM_LBUTTONDOWN, at.x, at.y, MK_LBUTTON);
        EXPECT_FALSE(graph.Dragging());
        EXPECT_EQ(nullptr, GetCapture());
        Send(WM_MOUSEMOVE, 200, 150, MK_LBUTTON);
        Send(WM_LBUTTONUP, 200, 150);
        EXPECT_TRUE(graph.Range() == (GraphRange{2, 6, -4, 1}));
    }
}

TEST_F(ResponseGraphTest, TooSmallAreaDrawsOnlyTheFrameAndTheAxes)
{
    Measure(1.0, 1000, 400);
    for (const SIZE size : {SIZE{85, 120}, SIZE{120, 62}, SIZE{40, 30}, SIZE{8, 8}}) {
        SCOPED_TRACE(testing::Message() << size.cx << " x " << size.cy);
        ResponseGraph& graph = MakeGraph(size.cx, size.cy, &curve_);
        const Pixels pixels(graph.Snapshot());
        EXPECT_EQ(0, pixels.CountOutside(RECT{0, 0, 0, 0}, ResponseGraph::kCurveColour));
        EXPECT_EQ(0, pixels.CountOutside(RECT{0, 0, 0, 0}, ResponseGraph::kGridColour));
        EXPECT_EQ(kBlack, pixels.At(0, size.cy / 2));
        Send(WM_LBUTTONDOWN, 31, size.cy / 2, MK_LBUTTON);
        EXPECT_FALSE(graph.Dragging());
    }
    ResponseGraph& empty = MakeGraph(84, 62, nullptr);
    EXPECT_EQ(0, Pixels(empty.Snapshot()).CountOutside(RECT{0, 0, 0, 0}, ResponseGraph::kGridColour));
}

TEST_F(ResponseGraphTest, TheWindowShowsWhatItsEraseHandlerPainted)
{
    Measure(0.5, 3000, 1200);
    ResponseGraph& graph = MakeGraph(kWidth, kHeight, &curve_);
    {
        WindowDC dc(graph.Handle());
        EXPECT_EQ(1, SendMessageA(graph.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(static_cast<HDC>(dc)), 0));
    }
    InvalidateRect(graph.Handle(), nullptr, TRUE);
    UpdateWindow(graph.Handle());
    WindowDC screen(graph.Handle());
    MemoryDC memory(CreateCompatibleDC(screen));
    Bitmap captured(CreateCompatibleBitmap(screen, kWidth, kHeight));
    {
        SelectionGuard selected(memory, captured);
        BitBlt(memory, 0, 0, kWidth, kHeight, screen, 0, 0, SRCCOPY);
    }
    const Pixels shown(captured);
    EXPECT_TRUE(shown == Pixels(graph.Snapshot()));
    ExpectCurveDrawnInsidePlotAreaOnly(shown, graph.Layout(), curve_);
}

TEST_F(ResponseGraphTest, AResizedGraphPaintsAsAFreshOneOfItsNewSize)
{
    // The off-screen surface and the picture's frame carried from paint to paint follow the size.
    Measure(1.0, 1000, 400);
    std::vector<Pixels> fresh;
    for (const SIZE size : {SIZE{230, 192}, SIZE{kWidth, kHeight}})
        fresh.emplace_back(MakeGraph(size.cx, size.cy, &curve_).Snapshot());
    ResponseGraph& graph = MakeGraph(160, 120, &curve_);
    graph.Snapshot();
    SetWindowPos(graph.Handle(), nullptr, 0, 0, 230, 192, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(Pixels(graph.Snapshot()) == fresh[0]);
    SetWindowPos(graph.Handle(), nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(Pixels(graph.Snapshot()) == fresh[1]);
}

TEST_F(ResponseGraphTest, ThePictureIsTheSameWhateverStateTheHostLeft)
{
    Measure(0.8, 1234, 700);
    MakeGraph(kWidth, kHeight, &curve_);
    const Pixels usual(graph_->Snapshot());
    for (const HostState& state : kHostStates) {
        SCOPED_TRACE(state.name);
        const HostStateScope host(state);
        EXPECT_TRUE(usual == Pixels(graph_->Snapshot()));
    }
}

TEST_F(ResponseGraphTest, PaintingLeaksNoGdiObject)
{
    Measure(1.0, 1000, 400);
    ResponseGraph& graph = MakeGraph(kWidth, kHeight, &curve_);
    InvalidateRect(graph.Handle(), nullptr, TRUE);
    UpdateWindow(graph.Handle());
    graph.Snapshot();
    const int before = LiveGdiObjects();
    {
        // The count sees one more object while one more exists.
        const Pen probe(CreatePen(PS_SOLID, 3, RGB(1, 2, 3)));
        ASSERT_EQ(before + 1, LiveGdiObjects());
    }
    for (int n = 0; n < 200; ++n) {
        InvalidateRect(graph.Handle(), nullptr, TRUE);
        UpdateWindow(graph.Handle());
        if (n == 100) {
            Send(WM_LBUTTONDOWN, 105, 50, MK_LBUTTON);
            Send(WM_MOUSEMOVE, 205, 140, MK_LBUTTON);
        }
    }
    Send(WM_LBUTTONUP, 205, 140);
    graph.Snapshot();
    curve_.Clear();
    graph.Snapshot();
    EXPECT_EQ(before, LiveGdiObjects());
}

}  // namespace
