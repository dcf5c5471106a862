#include "ui/graph_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
// Keeps wild curve values inside what int and GDI coordinates can hold.
constexpr double kUnitLimit = 1e6;
// GDI's coordinate space: a larger picture is not drawn, and no pixel lies beyond it.
constexpr int kCoordinateLimit = 1 << 27;

// NaN goes to the far low end, where the clipping hides it.
double Limited(double value) { return std::isnan(value) ? -kUnitLimit : std::clamp(value, -kUnitLimit, kUnitLimit); }

int TruncatedUnit(double value) { return static_cast<int>(Limited(value)); }

// units in 64 bits: the span of a range of ints may pass what int holds.
int Quotient(int pixels, int64_t units)
{
    return units > 0 && pixels > 0 ? static_cast<int>(pixels / units) : 0;
}

int64_t Span(int low, int high) { return static_cast<int64_t>(high) - low; }

// A point zoomed far from the view (a notch's -inf dB in a tall window) would pass what LONG holds.
LONG Pixel(double value) { return static_cast<LONG>(std::clamp<double>(value, -kCoordinateLimit, kCoordinateLimit)); }
}  // namespace

GraphRange AutoRange(const ResponseCurve& curve)
{
    GraphRange range{};
    range.xMin = range.xMax = TruncatedUnit(curve[0].x);
    range.yMax = -10000;
    range.yMin = 10000;
    for (const CurvePoint& point : curve) {
        range.xMax = std::max(range.xMax, TruncatedUnit(point.x));
        range.xMin = std::min(range.xMin, TruncatedUnit(point.x));
        range.yMax = std::max(range.yMax, TruncatedUnit(std::ceil(point.y + 0.001)));
        range.yMin = std::min(range.yMin, TruncatedUnit(std::floor(point.y - 0.001)));
    }
    range.xMax += 1;
    return range;
}

GraphLayout MakeLayout(int width, int height, const GraphRange& range)
{
    GraphLayout layout;
    layout.width = width;
    layout.height = height;
    layout.range = range;
    const bool drawable = width <= kCoordinateLimit && height <= kCoordinateLimit;
    layout.xScale = drawable ? Quotient(width - 82, Span(range.xMin, range.xMax)) : 0;
    layout.yScale = drawable ? Quotient(height - 58, Span(range.yMin, range.yMax)) : 0;
    return layout;
}

RECT GraphLayout::PlotArea() const
{
    return RECT{kAxisLeft, YPixel(range.yMax), (range.xMax - range.xMin) * xScale + kAxisLeft - 1, OriginY()};
}

POINT GraphLayout::ToPixel(const CurvePoint& point) const
{
    const double x = Limited(point.x);
    const double y = Limited(point.y);
    const int wholeX = static_cast<int>(x);
    const int wholeY = static_cast<int>(y);
    const double px = kAxisLeft + static_cast<double>(wholeX - range.xMin) * xScale + (x - wholeX) * xScale;
    const double py = OriginY() - static_cast<double>(wholeY - range.yMin) * yScale - (y - wholeY) * yScale;
    return POINT{Pixel(px), Pixel(py)};
}

bool GraphLayout::StartsSelection(POINT at) const
{
    return at.y >= YPixel(range.yMax) && at.y <= OriginY() - 1 && at.x >= kAxisLeft && at.x < XPixel(range.xMax);
}

POINT GraphLayout::LimitCorner(POINT at) const
{
    const RECT area = PlotArea();
    const LONG x = at.x < XPixel(range.xMax) ? at.x : area.right;
    const LONG y = std::max(std::min<LONG>(at.y, OriginY() - 1), area.top);
    return POINT{x, y};
}

GraphRange GraphLayout::Zoom(POINT start, POINT corner) const
{
    if (!Usable())
        return range;
    GraphRange zoomed{};
    int i = 1;
    while (kAxisLeft + i * xScale < start.x)
        ++i;
    zoomed.xMin = range.xMin + i - 1;
    while (corner.x > kAxisLeft + i * xScale)
        ++i;
    zoomed.xMax = range.xMin + i;

    const LONG top = std::min(start.y, corner.y);
    const LONG bottom = std::max(start.y, corner.y);
    int j = 1;
    while (OriginY() - j * yScale > bottom)
        ++j;
    zoomed.yMin = range.yMin + j - 1;
    while (top < OriginY() - j * yScale)
        ++j;
    zoomed.yMax = range.yMin + j;
    return zoomed;
}
