#include "ui/response_curve.h"

#include <algorithm>

size_t ResponseCurve::GrowthFor(size_t size)
{
    return std::clamp<size_t>(size / 8, 4, 1024);
}

void ResponseCurve::Append(const CurvePoint& point)
{
    if (points_.size() == points_.capacity())
        points_.reserve(points_.size() + GrowthFor(points_.size()));
    points_.push_back(point);
}

void ResponseCurve::Clear()
{
    std::vector<CurvePoint>().swap(points_);
}
