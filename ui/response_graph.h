// The child window that plots a ResponseCurve over a grid: a logarithmic frequency axis (an x
// unit v is labelled 10^(v - 1) Hz) and a level axis (a y unit v is labelled 5 v dB). Dragging
// with the left button from left to right zooms to the units enclosing the rectangle; any
// other release returns to the automatic range, the right button abandons the selection.
//
// All drawing happens in WM_ERASEBKGND: the picture is recorded into a fresh enhanced
// metafile, played into an off-screen bitmap and copied to the window in one transfer. Repaints
// are requested with InvalidateRect(graph, nullptr, TRUE).
#pragma once

#include <windows.h>

#include "platform/gdi.h"
#include "platform/window.h"
#include "ui/graph_layout.h"
#include "ui/response_curve.h"

class ResponseGraph : public Window {
public:
    static constexpr COLORREF kCurveColour = RGB(0, 50, 0);
    static constexpr COLORREF kGridColour = RGB(150, 150, 150);

    ResponseGraph() = default;

    // A visible child of parent over rect (parent's client pixels), with control identifier id.
    bool Create(HWND parent, const RECT& rect, int id);
    // Not owned; the graph only reads it. Null draws the empty grid.
    void SetCurve(const ResponseCurve* curve) { curve_ = curve; }
    // The next paint ranges automatically.
    void ResetView();

    // What a paint shows in the window, as a bitmap of the client size (paints as a repaint
    // would, so automatic ranging happens here too).
    Bitmap Snapshot();

    // The picture recorded by the last paint; owned by the graph, null before the first.
    HENHMETAFILE Picture() const { return picture_; }
    GraphRange Range() const { return range_; }
    // The layout of the last paint that drew a curve.
    const GraphLayout& Layout() const { return layout_; }
    bool Dragging() const { return dragging_; }

private:
    bool OnEraseBackground(HDC dc) override;
    void OnLButtonDown(POINT at, UINT keys) override;
    void OnMouseMove(POINT at, UINT keys) override;
    void OnLButtonUp(POINT at, UINT keys) override;
    void OnRButtonUp(POINT at, UINT keys) override;
    void OnCaptureChanged(HWND gainer) override;

    // Draws the whole picture on target, with reference for the metafile and the bitmap.
    void Paint(HDC reference, HDC target);
    // Records a fresh picture of the whole graph into picture_. Without a recording context it
    // leaves picture_ as it was; a recording that cannot be closed leaves it null.
    void RecordPicture(HDC reference, int width, int height);
    // Takes the device size from the picture's header; true when it differs from the one used.
    bool LearnDevice();
    void Record(HDC dc, int width, int height);
    static void DrawGrid(HDC dc, const GraphLayout& grid);
    void DrawCurve(HDC dc);
    void Repaint();

    GraphLayout layout_;
    POINT dragCur_{};
    POINT dragStart_{};
    GraphRange range_{};
    bool dragging_ = false;
    const ResponseCurve* curve_ = nullptr;
    EnhMetafile picture_;
    // The reference device's size as the last picture recorded it; zero before the first.
    SIZEL devicePixels_{}, deviceMillimetres_{};
    OffscreenSurface offscreen_;
};
