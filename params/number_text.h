// The text forms in which every store keeps numbers, those of the shared C runtime, so that
// presets move between our library and the original unchanged. The floating-point forms are
// those of the C locale whatever locale the host has set: the decimal point is always ".".
#pragma once

#include <cstdint>
#include <string>

// Signed decimal: an unsigned value of 2147483648 or more is written as a negative number.
std::string DecimalText(int32_t value);
// "%g": six significant digits, trailing zeros dropped, the runtime's three-digit exponent.
std::string FloatingText(double value);
// atof of the whole text: leading white space, sign, digits, fraction, exponent; else 0.
double TextToDouble(const std::string& text);
