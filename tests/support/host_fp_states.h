// Floating-point control states a host may leave set when it calls the library, and a scope
// that puts one in force.
#pragma once

#include <xmmintrin.h>

#include <ostream>

#include "dsp/fp_state.h"

struct HostState {
    const char* name;
    unsigned mxcsr;
    unsigned short x87;
};

inline std::ostream& operator<<(std::ostream& out, const HostState& state) { return out << state.name; }

// All exceptions masked in each. An unusual state with flush-to-zero and denormals-are-zero
// set, and states with both clear, in which flushing left on by the library would show; x87
// precision 24, 53 and 64 bits with each rounding, and each SSE rounding.
inline const HostState kHostStates[] = {
    // SSE rounding up; x87 rounding toward zero at 64-bit precision.
    {"RoundUpFlushing", 0x1F80 | 0x4000 | 0x8000 | 0x0040, 0x0F7F},
    // The usual start-up state: round to nearest, x87 at 53-bit precision.
    {"NearestNotFlushing", 0x1F80, 0x027F},
    // SSE rounding down; x87 rounding up at 24-bit precision.
    {"RoundDownNotFlushing", 0x1F80 | 0x2000, 0x087F},
    // Direct3D's habit: x87 at 24-bit precision.
    {"X87Single", 0x1F80, 0x007F},
    {"X87SingleTowardZero", 0x1F80, 0x0C7F},
    {"X87DoubleDown", 0x1F80, 0x067F},
    {"X87ExtendedUp", 0x1F80, 0x0B7F},
    {"X87ExtendedTowardZero", 0x1F80, 0x0F7F},
    {"SseTowardZero", 0x1F80 | 0x6000, 0x027F},
    {"SseUp", 0x1F80 | 0x4000, 0x027F},
    {"SseDown", 0x1F80 | 0x2000, 0x027F},
};

// The host's state for the scope; the test program's own comes back at its end.
class HostStateScope {
public:
    explicit HostStateScope(const HostState& state) : savedMxcsr_(_mm_getcsr()), savedX87_(X87ControlWord())
    {
        _mm_setcsr(state.mxcsr);
        SetX87ControlWord(state.x87);
    }
    ~HostStateScope()
    {
        _mm_setcsr(savedMxcsr_);
        SetX87ControlWord(savedX87_);
    }
    HostStateScope(const HostStateScope&) = delete;
    HostStateScope& operator=(const HostStateScope&) = delete;

private:
    unsigned savedMxcsr_;
    unsigned short savedX87_;
};
