// The msvcrt formatting functions the number texts call, on the C library here. glibc writes a
// two-digit exponent where msvcrt writes three: texts with an exponent differ natively.
#pragma once

#include <cstdio>

inline char* _itoa(int value, char* text, int)
{
    std::sprintf(text, "%d", value);
    return text;
}
#define _snprintf std::snprintf
