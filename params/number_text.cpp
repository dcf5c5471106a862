#include "params/number_text.h"

#include <cstdio>
#include <cstdlib>

std::string DecimalText(int32_t value)
{
    char text[16];
    _itoa(value, text, 10);
    return text;
}

std::string FloatingText(double value)
{
    // msvcrt's own formatter: "%Lg" of a 64-bit double gives the same text there, so doubles
    // never go through a long-double conversion.
    char text[512];
    _snprintf(text, sizeof text, "%g", value);
    text[sizeof text - 1] = '\0';
    return text;
}

double TextToDouble(const std::string& text)
{
    return std::atof(text.c_str());
}
