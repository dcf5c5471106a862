// Numbers as text in the forms of the shared C runtime, so that stored presets move between
// hosts and libraries unchanged, and read as the C locale reads them whatever locale the host
// has set: the decimal point is always ".".
#pragma once

#include <cstdint>
#include <string>

// Signed decimal: an unsigned value of 2147483648 or more is written as a negative number.
std::string DecimalText(int32_t value);
// "%g" with that many significant digits (six, as "%g" alone): trailing zeros dropped, the
// runtime's three-digit exponent.
std::string FloatingText(double value, int significantDigits = 6);

// atof of the whole text: leading white space, sign, digits, fraction, exponent; else 0.
double TextToDouble(const std::string& text);
// atoi without its undefined overflow: a number beyond the int range saturates.
int LeadingNumber(const std::string& text);
// Strict reading of an unsigned decimal number, surrounding blanks allowed; false for anything
// else or an overflow, value then untouched.
bool ParseUnsigned(const std::string& text, uint32_t& value);
