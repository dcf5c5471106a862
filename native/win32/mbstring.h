// _mbsicmp as msvcrt runs it under a single-byte code page in the "C" locale: ASCII letters
// compared without case, every other byte as it is.
#pragma once

inline int _mbsicmp(const unsigned char* a, const unsigned char* b)
{
    const auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    for (;; ++a, ++b) {
        const int difference = fold(*a) - fold(*b);
        if (difference != 0 || *a == 0)
            return difference;
    }
}
