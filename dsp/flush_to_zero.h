// Flush-to-zero for the nodes' loops. A filter decaying after its input falls silent would
// otherwise compute with subnormal doubles, each operation a microcode assist ten to a hundred
// times slower, and hand subnormal floats to the host. Only results that would be subnormal
// change: every normal-range value, and every input, is taken and rounded as before.
#pragma once

#include <xmmintrin.h>

class FlushToZeroScope {
public:
    FlushToZeroScope() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | kFlushToZero); }
    // The caller's controls come back; exception flags raised inside stay raised, as they would
    // have without the scope.
    ~FlushToZeroScope() { _mm_setcsr(saved_ | (_mm_getcsr() & kExceptionFlags)); }
    FlushToZeroScope(const FlushToZeroScope&) = delete;
    FlushToZeroScope& operator=(const FlushToZeroScope&) = delete;

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kExceptionFlags = 0x003F;
    unsigned saved_;
};
