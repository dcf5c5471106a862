// The floating-point control words as a host may have set them, for a scope: what was set
// before comes back when the scope ends, whatever ends it.
#pragma once

#include <float.h>
#include <xmmintrin.h>

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
