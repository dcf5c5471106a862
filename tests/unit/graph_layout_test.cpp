#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "ui/graph_layout.h"

namespace {

const GraphRange kDefaultRange{2, 6, -4, 1};

testing::AssertionResult RangeIs(const GraphRange& expected, const GraphRange& actual)
{
    if (expected == actual)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "expected x " << expected.xMin << ".." << expected.xMax << ", y "
                                       << expected.yMin << ".." << expected.yMax << "; got x " << actual.xMin
                                       << ".." << actual.xMax << ", y " << actual.yMin << ".." << actual.yMax;
}

TEST(GraphLayoutTest, ScalesAreIntegerQuotientsOfTheClientArea)
{
    const GraphLayout layout = MakeLayout(255, 196, kDefaultRange);
    EXPECT_EQ(43, layout.xScale);  // 173 / 4
    EXPECT_EQ(27, layout.yScale);  // 138 / 5
    EXPECT_EQ(173, layout.OriginY());
    EXPECT_EQ(30 + 43, layout.XPixel(3));
    EXPECT_EQ(173 - 27 * 5, layout.YPixel(1));
    const RECT area = layout.PlotArea();
    EXPECT_EQ(30, area.left);
    EXPECT_EQ(173 - 5 * 27, area.top);
    EXPECT_EQ(4 * 43 + 29, area.right);
    EXPECT_EQ(173, area.bottom);
}

TEST(GraphLayoutTest, TooSmallForOnePixelPerUnitIsNotUsable)
{
    EXPECT_TRUE(MakeLayout(82 + 4, 58 + 5, kDefaultRange).Usable());
    EXPECT_FALSE(MakeLayout(82 + 3, 58 + 5, kDefaultRange).Usable());
    EXPECT_FALSE(MakeLayout(82 + 4, 58 + 4, kDefaultRange).Usable());
    EXPECT_FALSE(MakeLayout(10, 10, kDefaultRange).Usable());
    EXPECT_FALSE(MakeLayout(0, 0, kDefaultRange).Usable());
    // Spans and sizes past what int arithmetic on pixels holds.
    EXPECT_FALSE(MakeLayout(500, 500, GraphRange{INT_MIN, INT_MAX, 0, 1}).Usable());
    EXPECT_FALSE(MakeLayout(INT_MAX, INT_MAX, kDefaultRange).Usable());
    const GraphLayout tiny = MakeLayout(60, 40, kDefaultRange);
    EXPECT_FALSE(tiny.StartsSelection(POINT{30, 16}));
    EXPECT_TRUE(RangeIs(kDefaultRange, tiny.Zoom(POINT{31, 5}, POINT{50, 15})));
}

TEST(GraphLayoutTest, CurvePointsMapWholeAndFractionalUnits)
{
    const GraphLayout layout = MakeLayout(282, 208, kDefaultRange);  // 50 and 30 pixels a unit
    EXPECT_EQ(30, layout.ToPixel(CurvePoint{2.0, -4.0, 0.0}).x);
    EXPECT_EQ(185, layout.ToPixel(CurvePoint{2.0, -4.0, 0.0}).y);
    EXPECT_EQ(30 + 75, layout.ToPixel(CurvePoint{3.5, 0.0, 0.0}).x);
    EXPECT_EQ(185 - 4 * 30, layout.ToPixel(CurvePoint{3.5, 0.0, 0.0}).y);
    EXPECT_EQ(185 - 3 * 30 - 15, layout.ToPixel(CurvePoint{3.5, -0.5, 0.0}).y);
    const POINT distant = layout.ToPixel(CurvePoint{1e300, -1e300, 0.0});
    EXPECT_GT(distant.x, 1000);
    EXPECT_GT(distant.y, 1000);
    // Zoomed to one unit in a tall window, a notch's -inf dB still lies below the plot.
    const GraphLayout tall = MakeLayout(282, 4000, GraphRange{2, 3, 0, 1});
    EXPECT_GT(tall.ToPixel(CurvePoint{2.5, -HUGE_VAL, 0.0}).y, tall.OriginY());
}

TEST(GraphLayoutTest, AutoRangeEnclosesEveryPointInWholeUnits)
{
    ResponseCurve curve;
    curve.Append(CurvePoint{3.7, -0.2, 0.0});
    curve.Append(CurvePoint{2.1, -3.9995, 0.0});
    curve.Append(CurvePoint{5.0, 0.9985, 0.0});
    EXPECT_TRUE(RangeIs(GraphRange{2, 6, -5, 1}, AutoRange(curve)));

    ResponseCurve flat;
    flat.Append(CurvePoint{2.3, 0.0, 0.0});
    EXPECT_TRUE(RangeIs(GraphRange{2, 3, -1, 1}, AutoRange(flat)));
}

TEST(GraphLayoutTest, OnlyPressesInsideThePlotAreaStartASelection)
{
    const GraphLayout layout = MakeLayout(282, 208, kDefaultRange);  // plot x 30..229, y 35..185
    EXPECT_TRUE(layout.StartsSelection(POINT{30, 184}));
    EXPECT_TRUE(layout.StartsSelection(POINT{229, 35}));
    EXPECT_FALSE(layout.StartsSelection(POINT{29, 100}));   // left of the y axis
    EXPECT_FALSE(layout.StartsSelection(POINT{100, 185}));  // on the x axis
    EXPECT_FALSE(layout.StartsSelection(POINT{100, 190}));  // below it
    EXPECT_FALSE(layout.StartsSelection(POINT{100, 34}));   // above the plot area
    EXPECT_FALSE(layout.StartsSelection(POINT{230, 100}));  // right of it
}

TEST(GraphLayoutTest, TheMovingCornerStaysInThePlotAreaExceptOnTheLeft)
{
    const GraphLayout layout = MakeLayout(282, 208, kDefaultRange);
    EXPECT_EQ(229, layout.LimitCorner(POINT{500, 100}).x);
    EXPECT_EQ(229, layout.LimitCorner(POINT{230, 100}).x);
    EXPECT_EQ(-20, layout.LimitCorner(POINT{-20, 100}).x);
    EXPECT_EQ(184, layout.LimitCorner(POINT{100, 400}).y);
    EXPECT_EQ(35, layout.LimitCorner(POINT{100, -50}).y);
    EXPECT_EQ(120, layout.LimitCorner(POINT{100, 120}).y);
}

TEST(GraphLayoutTest, ZoomTakesTheWholeUnitsEnclosingTheSelection)
{
    const GraphLayout layout = MakeLayout(282, 208, kDefaultRange);
    // From inside the 100..1000 Hz decade across the 1000 and 10000 lines into the last one,
    // from inside y unit 0..1 down into unit -3..-2.
    EXPECT_TRUE(RangeIs(GraphRange{3, 6, -3, 1}, layout.Zoom(POINT{105, 50}, POINT{205, 140})));
    // Inside one cell.
    EXPECT_TRUE(RangeIs(GraphRange{4, 5, -3, -2}, layout.Zoom(POINT{135, 130}, POINT{170, 150})));
    // From the y axis itself: the view starts at the axis' unit.
    EXPECT_TRUE(RangeIs(GraphRange{2, 3, -4, 1}, layout.Zoom(POINT{30, 35}, POINT{60, 184})));
    // Dragged upwards: the same rectangle gives the same units.
    EXPECT_TRUE(RangeIs(GraphRange{3, 6, -3, 1}, layout.Zoom(POINT{105, 140}, POINT{205, 50})));
}

TEST(GraphLayoutTest, ZoomWorksFromAFixedView)
{
    const GraphLayout layout = MakeLayout(282, 208, GraphRange{3, 5, -3, 0});  // 100 and 50 pixels a unit
    EXPECT_TRUE(RangeIs(GraphRange{4, 5, -2, -1}, layout.Zoom(POINT{150, 100}, POINT{200, 120})));
}

}  // namespace
