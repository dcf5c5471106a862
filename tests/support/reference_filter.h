// The stream's output written out independently of the library: the notch recurrence with the
// bandwidth limit, each output rounded to float, then the gain.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

struct NotchCoefficients {
    double a0, a1, a2, b1, b2;
};

inline NotchCoefficients ReferenceCoefficients(double fs, double centre, double bandwidth)
{
    bandwidth = std::min(bandwidth, std::floor(fs * 0.4166666666666667));
    const double t = std::tan((bandwidth * 3.141592653589793) / fs);
    const double c2 = 2.0 * std::cos((centre * 6.283185307179586) / fs);
    const double d = t + 1.0;
    return {1.0 / d, -(c2 / d), 1.0 / d, -(c2 / d), (1.0 - t) / d};
}

inline std::vector<float> ReferenceStream(const std::vector<float>& input, double fs, double centre, double bandwidth,
                                          double gain)
{
    const NotchCoefficients c = ReferenceCoefficients(fs, centre, bandwidth);
    const double a0 = c.a0, a1 = c.a1, a2 = c.a2, b1 = c.b1, b2 = c.b2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    std::vector<float> output(input.size());
    for (size_t j = 0; j < input.size(); ++j) {
        const double x = input[j];
        const double y = a0 * x + a1 * x1 + a2 * x2 - b1 * y1 - b2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        output[j] = static_cast<float>(static_cast<double>(static_cast<float>(y)) * gain);
    }
    return output;
}
