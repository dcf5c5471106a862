#include "platform/number_text.h"

#include <algorithm>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace {
// The decimal point of the C runtime's current locale, which a host may have changed: the
// runtime's "%g" writes it and its atof reads it. The texts here always use ".".
std::string RuntimePoint()
{
    const char* point = std::localeconv()->decimal_point;
    return point && *point ? point : ".";
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}
}  // namespace

std::string DecimalText(int32_t value)
{
    char text[16];
    _itoa(value, text, 10);
    return text;
}

std::string FloatingText(double value, int significantDigits)
{
    // msvcrt's own formatter: "%Lg" of a 64-bit double gives the same text there, so doubles
    // never go through a long-double conversion.
    char text[512];
    _snprintf(text, sizeof text, "%.*g", significantDigits, value);
    text[sizeof text - 1] = '\0';
    const std::string point = RuntimePoint();
    return point == "." ? text : Replaced(text, point, ".");
}

double TextToDouble(const std::string& text)
{
    const std::string point = RuntimePoint();
    if (point == ".")
        return std::atof(text.c_str());  // NOLINT(cert-err34-c): text that is no number reads as 0
    // Read as the C locale reads it: the runtime's own point would end the number there, and
    // "." stands for the point the runtime expects now.
    return std::atof(Replaced(text.substr(0, text.find(point)), ".", point).c_str());  // NOLINT(cert-err34-c): no number reads as 0
}

int LeadingNumber(const std::string& text)
{
    // strtol saturates at the range of long, which is wider than int on 64-bit systems.
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

bool ParseUnsigned(const std::string& text, uint32_t& value)
{
    size_t begin = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t");
    if (begin == std::string::npos)
        return false;
    uint64_t number = 0;
    for (size_t i = begin; i <= end; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + static_cast<uint64_t>(c - '0');
        if (number > 0xFFFFFFFFULL)
            return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}
