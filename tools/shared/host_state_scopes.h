// The floating-point control words and the C locale as a host may have set them, for a scope:
// what was set before comes back when the scope ends, whatever ends it.
#pragma once

#include <float.h>
#include <xmmintrin.h>

#include <clocale>
#include <cstring>
#include <string>

// x87 precision and rounding (the _MCW_PC and _MCW_RC bits of _control87) and the whole MXCSR.
class FpControlScope {
public:
    FpControlScope(unsigned x87, unsigned mxcsr) : savedX87_(_control87(0, 0)), savedMxcsr_(_mm_getcsr())
    {
        _control87(x87, _MCW_PC | _MCW_RC);
        _mm_setcsr(mxcsr);
    }
    ~FpControlScope()
    {
        _control87(savedX87_, _MCW_PC | _MCW_RC);
        _mm_setcsr(savedMxcsr_);
    }
    FpControlScope(const FpControlScope&) = delete;
    FpControlScope& operator=(const FpControlScope&) = delete;

private:
    unsigned savedX87_;
    unsigned savedMxcsr_;
};

// The first comma-decimal locale the C runtime knows, by the names Windows runtimes use.
class CommaLocale {
public:
    CommaLocale() : saved_(setlocale(LC_ALL, nullptr))
    {
        for (const char* name : {"German", "German_Germany.1252", "French", "deu"})
            if (setlocale(LC_ALL, name) && Active()) {
                name_ = name;
                return;
            }
    }
    ~CommaLocale() { setlocale(LC_ALL, saved_.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool Active() const { return std::strcmp(localeconv()->decimal_point, ",") == 0; }
    const std::string& Name() const { return name_; }

private:
    std::string saved_;
    std::string name_;
};
