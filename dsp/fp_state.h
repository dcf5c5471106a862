// The floating-point state the library computes in, whatever the host left set. A host's
// rounding mode or x87 precision would otherwise change the filter's coefficients, its
// samples and the response curve; the host gets its own state back when a scope ends.
//
// SSE: rounding to nearest, every exception masked, denormal inputs taken as they are, and
// flush-to-zero. A filter decaying after its input falls silent would otherwise compute with
// subnormal doubles, each operation a microcode assist ten to a hundred times slower, and hand
// subnormal floats to the host; only results that would be subnormal change.
// x87 (the runtime's tan and cos): 64-bit precision, rounding to nearest, the state the
// runtime starts a program in and for which its routines are written.
#pragma once

#include <xmmintrin.h>

// Sets MXCSR for the sample loops; skips the setting when the controls are already ours, as
// inside an FpStateScope (the response measurement).
class SseStateScope {
public:
    SseStateScope() : saved_(_mm_getcsr())
    {
        if ((saved_ & ~kExceptionFlags) != kControls)
            _mm_setcsr(kControls);
    }
    // The host's word comes back as it was, flags included, even when its controls were ours:
    // flags raised inside are the library's, not the host's.
    ~SseStateScope() { _mm_setcsr(saved_); }
    SseStateScope(const SseStateScope&) = delete;
    SseStateScope& operator=(const SseStateScope&) = delete;

private:
    static constexpr unsigned kControls = 0x9F80;  // flush to zero, all masked, to nearest
    static constexpr unsigned kExceptionFlags = 0x003F;
    unsigned saved_;
};

inline unsigned short X87ControlWord()
{
    unsigned short word;
    __asm__ __volatile__("fnstcw %0" : "=m"(word));
    return word;
}

inline void SetX87ControlWord(unsigned short word)
{
    __asm__ __volatile__("fldcw %0" : : "m"(word));
}

// Sets both MXCSR and the x87 control word, for computations that call the runtime's
// transcendental functions (coefficients, test tones).
class FpStateScope {
public:
    FpStateScope() : savedX87_(X87ControlWord()) { SetX87ControlWord(kX87Controls); }
    // Flags raised inside that the host's control word unmasks would fault at its next x87
    // instruction once that word is back: they are cleared first.
    ~FpStateScope()
    {
        if ((savedX87_ & kX87ExceptionMasks) != kX87ExceptionMasks)
            __asm__ __volatile__("fnclex");
        SetX87ControlWord(savedX87_);
    }
    FpStateScope(const FpStateScope&) = delete;
    FpStateScope& operator=(const FpStateScope&) = delete;

private:
    static constexpr unsigned short kX87Controls = 0x037F;  // 64-bit precision, to nearest, all masked
    static constexpr unsigned short kX87ExceptionMasks = 0x003F;
    SseStateScope sse_;
    unsigned short savedX87_;
};
