// The response graph's layout for any client size and any curve, then zoomed by selections as
// the mouse makes them: no overflow or division by zero (the sanitizers), every grid line and
// label inside the picture, every zoom a range of whole units inside the one zoomed.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>

#include "ui/graph_layout.h"
#include "ui/response_curve.h"

namespace {
void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// The grid and label arithmetic of ResponseGraph::DrawGrid, with text of the given width (up to
// the 60 pixels of a label's box): lines and labels inside the picture, no label over another.
void CheckGrid(const GraphLayout& grid, int textWidth)
{
    const int w = grid.width, h = grid.height;
    int previousLabelRight = INT_MIN;
    for (int k = 1; grid.XPixel(grid.range.xMin + k) <= w - 52; ++k) {
        const int x = grid.XPixel(grid.range.xMin + k);
        Check(x > GraphLayout::kAxisLeft && x < w);
        const int left = x - (textWidth + 1) / 2;
        if (left >= previousLabelRight) {
            Check(left >= 0 && left + textWidth <= w && h - 18 >= 0);
            previousLabelRight = left + textWidth;
        }
    }
    for (int k = 1; grid.YPixel(grid.range.yMin + k) > 34; ++k) {
        const int y = grid.YPixel(grid.range.yMin + k);
        Check(y - 7 >= 0 && y + 5 <= h);
    }
}

int Coordinate(FuzzedDataProvider& input) { return input.ConsumeIntegral<int>(); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const int width = input.ConsumeIntegralInRange(0, INT_MAX);
    const int height = input.ConsumeIntegralInRange(0, INT_MAX);
    const int textWidth = input.ConsumeIntegralInRange(0, 60);
    ResponseCurve curve;
    for (int n = input.ConsumeIntegralInRange(1, 64); n > 0; --n)
        curve.Append({input.ConsumeFloatingPoint<double>(), input.ConsumeFloatingPoint<double>(), 0.0});

    GraphRange range = AutoRange(curve);
    for (int zooms = 0; zooms < 4; ++zooms) {
        const GraphLayout layout = MakeLayout(width, height, range);
        if (!layout.Usable())
            return 0;
        for (const CurvePoint& point : curve)
            layout.ToPixel(point);
        // The grid and a zoom walk the picture a unit at a time: one larger than any screen
        // would take most of the run.
        if (width > 1 << 16 || height > 1 << 16)
            return 0;
        CheckGrid(layout, textWidth);

        // A press where a selection starts, dragged anywhere.
        const POINT start{Coordinate(input), Coordinate(input)};
        if (!layout.StartsSelection(start))
            return 0;
        const POINT corner = layout.LimitCorner(POINT{Coordinate(input), Coordinate(input)});
        const GraphRange zoomed = layout.Zoom(start, corner);
        Check(zoomed.xMin < zoomed.xMax && zoomed.yMin < zoomed.yMax);
        Check(zoomed.xMin >= range.xMin && zoomed.yMin >= range.yMin);
        range = zoomed;
    }
    return 0;
}
