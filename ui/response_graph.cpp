#include "ui/response_graph.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "dsp/fp_state.h"

namespace {
constexpr char kClassName[] = "BandRejectResponseGraph";
const GraphRange kEmptyGrid{0, 5, -5, 0};

Font MakeFont(const char* face, LONG height, LONG width, LONG weight)
{
    LOGFONTA description{};
    description.lfHeight = height;
    description.lfWidth = width;
    description.lfWeight = weight;
    description.lfQuality = PROOF_QUALITY;
    description.lfPitchAndFamily = VARIABLE_PITCH | FF_ROMAN;
    std::strncpy(description.lfFaceName, face, LF_FACESIZE - 1);
    return Font(CreateFontIndirectA(&description));
}

void Line(HDC dc, int x0, int y0, int x1, int y1)
{
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

// The face the labels have always asked for, misspelt: the font mapper stands in for it, and
// labels keep the look they had. Width 0 is the face's own.
Font LabelFont(LONG width) { return MakeFont("MS Sana Serif", 14, width, FW_NORMAL); }

struct LabelText {
    explicit LabelText(int value) : length(std::snprintf(text, sizeof text, "%d", value)) {}
    char text[16] = {};
    int length;
};

int TextWidth(HDC dc, const LabelText& label)
{
    SIZE extent{};
    GetTextExtentPoint32A(dc, label.text, label.length, &extent);
    return extent.cx;
}

void DrawLabel(HDC dc, const LabelText& label, RECT box, UINT format)
{
    DrawTextA(dc, label.text, label.length, &box, format);
}

// The widest narrowing of the label font selected in dc, in which label takes natural pixels,
// that fits label in room pixels; null when it would need less than half the face's average
// width, too thin to read.
Font NarrowLabelFont(HDC dc, const LabelText& label, int natural, int room)
{
    TEXTMETRICA metrics{};
    if (!GetTextMetricsA(dc, &metrics) || natural <= 0)
        return Font();
    const LONG thinnest = std::max<LONG>(1, (metrics.tmAveCharWidth + 1) / 2);
    for (LONG width = metrics.tmAveCharWidth * room / natural; width >= thinnest; --width) {
        Font narrow = LabelFont(width);
        SelectionGuard trial(dc, narrow);
        if (TextWidth(dc, label) <= room)
            return narrow;
    }
    return Font();
}

// Right-aligned beside the line at y in its box. A label wider than the box would show cut,
// another number ("100" for "-100"): it is written in a narrower width of the label font
// that keeps one blank column from the frame, or not at all (false).
bool DrawYLabel(HDC dc, int value, int y)
{
    const LabelText label(value);
    const RECT box{0, y - 7, GraphLayout::kYLabelRight, y + 5};
    const int natural = TextWidth(dc, label);
    if (natural <= GraphLayout::kYLabelRight) {
        DrawLabel(dc, label, box, DT_RIGHT | DT_VCENTER);
        return true;
    }
    const Font narrow = NarrowLabelFont(dc, label, natural, GraphLayout::kYLabelRight - GraphLayout::kYLabelLeft);
    if (!narrow)
        return false;
    SelectionGuard font(dc, narrow);
    DrawLabel(dc, label, box, DT_RIGHT | DT_VCENTER);
    return true;
}

// 10^exponent as the x labels show it; beyond 32 bits it stays at the largest value.
int Decade(int exponent)
{
    return static_cast<int>(std::min(std::pow(10.0, exponent), 2147483647.0));
}

bool operator==(const SIZEL& a, const SIZEL& b) { return a.cx == b.cx && a.cy == b.cy; }
}  // namespace

bool ResponseGraph::Create(HWND parent, const RECT& rect, int id)
{
    return CreateChild(kClassName, parent, rect, id);
}

void ResponseGraph::ResetView()
{
    range_.xMax = 0;
    range_.yMax = 0;
}

Bitmap ResponseGraph::Snapshot()
{
    const SIZE size = ClientSize();
    WindowDC screen(Handle());
    MemoryDC memory(CreateCompatibleDC(screen));
    Bitmap shown(CreateCompatibleBitmap(screen, size.cx, size.cy));
    if (memory && shown) {
        SelectionGuard selected(memory, shown);
        Paint(screen, memory);
    }
    return shown;
}

bool ResponseGraph::OnEraseBackground(HDC dc)
{
    Paint(dc, dc);
    return true;
}

void ResponseGraph::Paint(HDC reference, HDC target)
{
    // Pixel positions as in the usual floating-point state, whatever the host's.
    const FpStateScope state;
    picture_.Reset();
    const SIZE size = ClientSize();
    const int w = size.cx, h = size.cy;
    // One pixel wider and higher than the client, so the copy at (-1, -1) covers every pixel.
    if (w <= 0 || h <= 0 || !offscreen_.Fit(reference, w + 1, h + 1))
        return;
    // The frame needs the reference device's size, which every picture's header holds: taking
    // it from the last picture saves asking the device (costly on some systems). The first
    // paint, or one after a change of display, records again with the size it has just learnt.
    RecordPicture(reference, w, h);
    if (picture_ && LearnDevice())
        RecordPicture(reference, w, h);
    if (!picture_)
        return;

    PatBlt(offscreen_, 0, 0, w + 1, h + 1, WHITENESS);
    const RECT client{0, 0, w, h};
    PlayEnhMetaFile(offscreen_, picture_, &client);
    BitBlt(target, -1, -1, w + 1, h + 1, offscreen_, 0, 0, SRCCOPY);
}

bool ResponseGraph::LearnDevice()
{
    ENHMETAHEADER header{};
    if (!GetEnhMetaFileHeader(picture_, sizeof header, &header) ||
        (header.szlDevice == devicePixels_ && header.szlMillimeters == deviceMillimetres_))
        return false;
    devicePixels_ = header.szlDevice;
    deviceMillimetres_ = header.szlMillimeters;
    return true;
}

void ResponseGraph::RecordPicture(HDC reference, int w, int h)
{
    // The client size in hundredths of a millimetre of the device, so the picture plays back 1:1.
    const bool known = devicePixels_.cx > 0 && devicePixels_.cy > 0;
    const RECT frame{0, 0, known ? MulDiv(w, deviceMillimetres_.cx * 100, devicePixels_.cx) : 0,
                     known ? MulDiv(h, deviceMillimetres_.cy * 100, devicePixels_.cy) : 0};
    MetafileDC recorder(reference, known ? &frame : nullptr);
    if (!recorder)
        return;
    Record(recorder, w, h);
    picture_.Attach(recorder.Close());
}

void ResponseGraph::Record(HDC dc, int w, int h)
{
    SetROP2(dc, R2_COPYPEN);
    SelectionGuard background(dc, GetStockObject(WHITE_BRUSH));
    Rectangle(dc, 0, 0, w - 1, h - 1);
    const RECT inner{1, 1, w - 2, h - 2};
    FrameRect(dc, &inner, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

    const Font titleFont = MakeFont("MS Sans Serif", -10, 6, FW_BOLD);
    {
        SelectionGuard font(dc, titleFont);
        TextOutA(dc, 9, 5, "dB", 2);
        TextOutA(dc, w - 27, h - 23, "F", 1);
    }

    const Pen axisPen(CreatePen(PS_SOLID, 2, RGB(0, 0, 0)));
    {
        SelectionGuard pen(dc, axisPen);
        Line(dc, GraphLayout::kAxisLeft, h - 13, GraphLayout::kAxisLeft, 10);
        Line(dc, GraphLayout::kAxisLeft, 10, 27, 20);
        Line(dc, GraphLayout::kAxisLeft, 10, 33, 20);
        Line(dc, 20, h - GraphLayout::kAxisBottom, w - 27, h - GraphLayout::kAxisBottom);
        Line(dc, w - 27, h - GraphLayout::kAxisBottom, w - 37, h - 26);
        Line(dc, w - 27, h - GraphLayout::kAxisBottom, w - 37, h - 20);
    }

    SavedDCState unclipped(dc);
    if (!curve_ || curve_->Empty()) {
        const GraphLayout grid = MakeLayout(w, h, kEmptyGrid);
        if (grid.Usable())
            DrawGrid(dc, grid);
    } else {
        if (range_.Automatic())
            range_ = AutoRange(*curve_);
        layout_ = MakeLayout(w, h, range_);
        if (!layout_.Usable())
            return;
        DrawGrid(dc, layout_);
        const RECT area = layout_.PlotArea();
        const Region clip(CreateRectRgnIndirect(&area));
        SelectClipRgn(dc, clip);
        DrawCurve(dc);
    }
    if (dragging_) {
        SelectionGuard pen(dc, GetStockObject(BLACK_PEN));
        SelectionGuard brush(dc, GetStockObject(HOLLOW_BRUSH));
        Rectangle(dc, dragStart_.x, dragStart_.y, dragCur_.x, dragCur_.y);
    }
}

void ResponseGraph::DrawGrid(HDC dc, const GraphLayout& grid)
{
    const int w = grid.width, h = grid.height;
    SelectionGuard tickPen(dc, GetStockObject(BLACK_PEN));
    const Font labelFont = LabelFont(0);
    SelectionGuard font(dc, labelFont);
    const Pen gridPen(CreatePen(PS_SOLID, 1, kGridColour));

    // A label's white background would wipe out the text of a previous one it reached into,
    // leaving a wrong number: such a label is skipped.
    int previousLabelRight = INT_MIN;
    bool labelX = true;
    for (int k = 1; grid.XPixel(grid.range.xMin + k) <= w - 52; ++k) {
        const int x = grid.XPixel(grid.range.xMin + k);
        if (labelX) {
            const LabelText label(Decade(grid.range.xMin + k - 1));
            const int width = TextWidth(dc, label);
            // Where DT_CENTER puts it under the line, in a box wide enough that nothing is cut off.
            const int left = x - (width + 1) / 2;
            const int half = std::max(30, (width + 1) / 2);
            if (left >= previousLabelRight) {
                DrawLabel(dc, label, RECT{x - half, h - 18, x + half, h + 2}, DT_CENTER);
                previousLabelRight = left + width;
            }
        }
        if (grid.xScale < 20)
            labelX = !labelX;
        Line(dc, x, h - 19, x, h - 27);
        Line(dc, x, h - 21, x, h - 29);
        SelectionGuard pen(dc, gridPen);
        Line(dc, x, h - 26, x, 10);
    }

    int lastLabelTop = 0;
    bool labelY = true;
    for (int k = 1; grid.YPixel(grid.range.yMin + k) > 34; ++k) {
        const int y = grid.YPixel(grid.range.yMin + k);
        if (labelY && std::abs(y - 7 - lastLabelTop) >= 12 && DrawYLabel(dc, 5 * (grid.range.yMin + k), y))
            lastLabelTop = y - 7;
        if (grid.yScale < 15)
            labelY = !labelY;
        Line(dc, 26, y, 34, y);
        Line(dc, 28, y, 32, y);
        SelectionGuard pen(dc, gridPen);
        Line(dc, 33, y, w - 47, y);
    }
}

void ResponseGraph::DrawCurve(HDC dc)
{
    const Pen curvePen(CreatePen(PS_SOLID, 2, kCurveColour));
    SelectionGuard pen(dc, curvePen);
    const POINT first = layout_.ToPixel((*curve_)[0]);
    MoveToEx(dc, first.x, first.y, nullptr);
    for (size_t n = 1; n < curve_->Size(); ++n) {
        const POINT next = layout_.ToPixel((*curve_)[n]);
        LineTo(dc, next.x, next.y);
    }
}

void ResponseGraph::OnLButtonDown(POINT at, UINT)
{
    if (!layout_.StartsSelection(at))
        return;
    dragStart_ = dragCur_ = at;
    dragging_ = true;
    SetCapture(Handle());
}

void ResponseGraph::OnMouseMove(POINT at, UINT)
{
    if (!dragging_)
        return;
    dragCur_ = layout_.LimitCorner(at);
    Repaint();
}

void ResponseGraph::OnLButtonUp(POINT, UINT)
{
    if (dragging_) {
        dragging_ = false;
        if (dragStart_.x >= dragCur_.x)
            ResetView();
        else if (curve_ && !curve_->Empty())
            range_ = layout_.Zoom(dragStart_, dragCur_);
    }
    ReleaseCapture();
    Repaint();
}

void ResponseGraph::OnRButtonUp(POINT, UINT)
{
    dragging_ = false;
    ReleaseCapture();
    Repaint();
}

void ResponseGraph::OnCaptureChanged(HWND gainer)
{
    // Another window took the mouse: the selection cannot be finished.
    if (dragging_ && gainer != Handle()) {
        dragging_ = false;
        Repaint();
    }
}

void ResponseGraph::Repaint()
{
    InvalidateRect(Handle(), nullptr, TRUE);
}
