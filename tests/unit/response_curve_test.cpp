#include <gtest/gtest.h>

#include <vector>

#include "ui/response_curve.h"

namespace {

std::vector<size_t> CapacitiesWhileAppending(ResponseCurve& curve, size_t count)
{
    std::vector<size_t> capacities;
    for (size_t n = 0; n < count; ++n) {
        curve.Append(CurvePoint{static_cast<double>(n), -static_cast<double>(n), 0.0});
        if (capacities.empty() || capacities.back() != curve.Capacity())
            capacities.push_back(curve.Capacity());
    }
    return capacities;
}

TEST(ResponseCurveTest, GrowsByAnEighthWithinFourAndTheCap)
{
    ResponseCurve curve;
    const std::vector<size_t> capacities = CapacitiesWhileAppending(curve, 110);
    const std::vector<size_t> expected{4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63, 70, 78, 87, 97, 109, 122};
    EXPECT_EQ(expected, capacities);
}

TEST(ResponseCurveTest, GrowthStopsAtOneThousandTwentyFourPoints)
{
    ResponseCurve curve;
    const std::vector<size_t> capacities = CapacitiesWhileAppending(curve, 20000);
    ASSERT_GT(capacities.size(), 2u);
    for (size_t k = 1; k < capacities.size(); ++k) {
        SCOPED_TRACE(testing::Message() << "capacity " << capacities[k - 1]);
        const size_t growth = capacities[k] - capacities[k - 1];
        EXPECT_LE(growth, 1024u);
        if (capacities[k - 1] >= 8192) {
            EXPECT_EQ(1024u, growth);
        }
    }
    EXPECT_GE(curve.Capacity(), 20000u);
}

TEST(ResponseCurveTest, KeepsThePointsInOrderAcrossGrowth)
{
    ResponseCurve curve;
    CapacitiesWhileAppending(curve, 300);
    ASSERT_EQ(300u, curve.Size());
    for (size_t n = 0; n < curve.Size(); ++n) {
        EXPECT_EQ(static_cast<double>(n), curve[n].x);
        EXPECT_EQ(-static_cast<double>(n), curve[n].y);
    }
}

TEST(ResponseCurveTest, ClearReleasesTheStorage)
{
    ResponseCurve curve;
    CapacitiesWhileAppending(curve, 50);
    curve.Clear();
    EXPECT_TRUE(curve.Empty());
    EXPECT_EQ(0u, curve.Capacity());
    EXPECT_EQ(curve.begin(), curve.end());
    curve.Append(CurvePoint{1.0, 2.0, 3.0});
    EXPECT_EQ(4u, curve.Capacity());
}

}  // namespace
