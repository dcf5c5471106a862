// The measured curve that the response graph draws: points in graph units (x = log10(Hz) + 1,
// y = level in 5-dB units), in the order they were measured.
#pragma once

#include <cstddef>
#include <vector>

struct CurvePoint {
    double x, y, z;
};

class ResponseCurve {
public:
    // When full, the array grows by an eighth of its size, at least 4 and at most 1024 points.
    static size_t GrowthFor(size_t size);

    void Append(const CurvePoint& point);
    // Releases the storage too.
    void Clear();

    size_t Size() const { return points_.size(); }
    size_t Capacity() const { return points_.capacity(); }
    bool Empty() const { return points_.empty(); }
    const CurvePoint& operator[](size_t index) const { return points_[index]; }
    const CurvePoint* begin() const { return points_.data(); }
    const CurvePoint* end() const { return points_.data() + points_.size(); }

private:
    std::vector<CurvePoint> points_;
};
