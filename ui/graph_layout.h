// The response graph's geometry: the view range in whole units, the pixel layout of a client
// area for that range, and the arithmetic of the mouse selection. No window involved.
#pragma once

#include <windows.h>

#include "ui/response_curve.h"

// Plot origin (the corner of the two axes) is at (kLeft, height - kBottom).
constexpr int kLeft = 30;
constexpr int kBottom = 23;

// A y label is right-aligned at kYLabelRight, before the tick marks, and starts no further left
// than kYLabelLeft: one blank column from the inner frame, which the window shows as its first.
constexpr int kYLabelLeft = 3;
constexpr int kYLabelRight = 25;
// The least blank space between an x label and the last one written.
constexpr int kLabelGap = 4;

struct GraphRange {
    int xMin, xMax, yMin, yMax;

    // xMax = yMax = 0 asks the next paint to range automatically.
    bool Automatic() const { return xMax == 0 && yMax == 0; }
    bool operator==(const GraphRange& other) const
    {
        return xMin == other.xMin && xMax == other.xMax && yMin == other.yMin && yMax == other.yMax;
    }
};

// The whole units that hold every point: x from the smallest truncated x to one past the
// largest, y from floor(y - 0.001) to ceil(y + 0.001). The curve must not be empty.
GraphRange AutoRange(const ResponseCurve& curve);

struct GraphLayout {
    int width = 0, height = 0;
    GraphRange range{};
    int xScale = 0, yScale = 0;  // pixels per unit, integer quotients

    // At least one pixel per unit; otherwise only the frame and the axes can be drawn.
    bool Usable() const { return xScale > 0 && yScale > 0; }
    int OriginY() const { return height - kBottom; }
    int XPixel(int unit) const { return kLeft + (unit - range.xMin) * xScale; }
    int YPixel(int unit) const { return OriginY() - (unit - range.yMin) * yScale; }
    // The clip rectangle of the curve (right and bottom exclusive, as GDI takes them).
    RECT PlotArea() const;
    POINT ToPixel(const CurvePoint& point) const;
    // A press here starts a selection: inside the plot area, the x axis excluded.
    bool StartsSelection(POINT at) const;
    // The moving corner of a selection: limited to the plot area on the right, top and bottom.
    POINT LimitCorner(POINT at) const;
    // The whole units enclosing the rectangle from start to corner.
    GraphRange Zoom(POINT start, POINT corner) const;

    // The room of the x labels: one blank column right of the y axis (its two columns reach
    // below the x axis), up to the "F" title.
    static int XLabelsLeft() { return kLeft + 2; }
    int XLabelsRight() const { return width - 27; }
    // The box of the y label of the line at y stays above the x axis' two rows (its white
    // background would cut into them).
    bool YLabelClearsXAxis(int y) const { return y + 5 <= OriginY() - 1; }
};

GraphLayout MakeLayout(int width, int height, const GraphRange& range);
