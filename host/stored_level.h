// The conversion between a stored level ("DryOut", "Volume2": 32767 is unity) and the
// record's level factor. Loading adds half a step, so every stored value saves back as itself.
#pragma once

#include <cmath>
#include <cstdint>

// The double nearest to 1/32767.
constexpr double kStoredLevelStep = 3.051850947599719e-05;

inline double StoredToLevel(uint32_t stored)
{
    return (static_cast<double>(stored) + 0.5) * kStoredLevelStep;
}

// Truncated toward zero, unclamped, as the stored form has always been written: through 64
// bits, keeping the low 32, so that every stored value, 2147483648 and above included, saves
// back as itself. A level beyond the 64-bit range, or not a number, stores 0.
inline uint32_t LevelToStored(double level)
{
    const double scaled = level * 32767.0;
    if (!(std::fabs(scaled) < 9223372036854775808.0))
        return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(scaled)));
}
