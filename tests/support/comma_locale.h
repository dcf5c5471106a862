// A host that switched the C runtime to a comma-decimal locale, for the scope.
#pragma once

#include <clocale>
#include <cstring>

struct CommaLocale {
    CommaLocale() { setlocale(LC_ALL, "German"); }
    ~CommaLocale() { setlocale(LC_ALL, "C"); }
    static bool Active() { return std::strcmp(localeconv()->decimal_point, ",") == 0; }
};
