// The conversion between a stored level ("DryOut", "Volume2": 32767 is unity) and the
// record's level factor. Loading adds half a step, so every stored value saves back as itself.
#pragma once

#include <cstdint>

// The double nearest to 1/32767.
constexpr double kStoredLevelStep = 3.051850947599719e-05;

inline double StoredToLevel(uint32_t stored)
{
    return (static_cast<double>(stored) + 0.5) * kStoredLevelStep;
}

// Truncated toward zero, unclamped, as the stored form has always been written.
inline uint32_t LevelToStored(double level)
{
    return static_cast<uint32_t>(static_cast<int32_t>(level * 32767.0));
}
