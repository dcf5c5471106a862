// Float samples to and from SSE2 packed doubles, two adjacent samples of one buffer at a time.
#pragma once

#include <emmintrin.h>

// Widened straight from memory: one operation, where widening a register (which the compiler
// makes of the intrinsics) costs two, one of them on the port that the shuffles need.
inline __m128d WidenTwo(const float* samples)
{
    struct Two {
        float sample[2];
    };
    __m128d wide;
    __asm__("cvtps2pd %1, %0" : "=x"(wide) : "m"(*reinterpret_cast<const Two*>(samples)));
    return wide;
}

inline void NarrowTwo(float* samples, __m128d values)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(samples), _mm_castps_si128(_mm_cvtpd_ps(values)));
}
