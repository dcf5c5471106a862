// The filter and the level written out once, independently of the library: one channel after
// the other through the recurrence, then the gain pass. The benchmarks' baseline.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

class PlainLoop {
public:
    PlainLoop(int channels, double rate, double centre, double bandwidth, double level)
        : history_(channels, History{}), level_(level)
    {
        const double t = std::tan((bandwidth * 3.141592653589793) / rate);
        const double c2 = 2.0 * std::cos((centre * 6.283185307179586) / rate);
        const double d = t + 1.0;
        a0_ = 1.0 / d;
        a1_ = -(c2 / d);
        a2_ = 1.0 / d;
        b1_ = -(c2 / d);
        b2_ = (1.0 - t) / d;
    }

    void Process(float* const* channels, int32_t count)
    {
        for (size_t k = 0; k < history_.size(); ++k) {
            History& h = history_[k];
            double x1 = h.x1, x2 = h.x2, y1 = h.y1, y2 = h.y2;
            float* samples = channels[k];
            for (int32_t j = 0; j < count; ++j) {
                const double x = samples[j];
                const double y = a0_ * x + a1_ * x1 + a2_ * x2 - b1_ * y1 - b2_ * y2;
                x2 = x1;
                x1 = x;
                y2 = y1;
                y1 = y;
                samples[j] = static_cast<float>(y);
            }
            h = History{x1, x2, y1, y2};
        }
        for (size_t k = 0; k < history_.size(); ++k)
            for (int32_t j = 0; j < count; ++j)
                channels[k][j] = static_cast<float>(channels[k][j] * level_);
    }

private:
    struct History {
        double x1, x2, y1, y2;
    };
    std::vector<History> history_;
    double level_;
    double a0_, a1_, a2_, b1_, b2_;
};
