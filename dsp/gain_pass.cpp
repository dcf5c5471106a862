#include "dsp/gain_pass.h"

#include <immintrin.h>

#include "dsp/packed_samples.h"

namespace {
using Kernel = void (*)(double, float*, int);

Kernel ChooseKernel()
{
    return AvxUsable() ? ScaleSamplesAvx : ScaleSamplesSse2;
}
}  // namespace

bool AvxUsable()
{
    // Checks the processor and that the system saves the AVX registers (XGETBV).
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
}

void ScaleSamples(double gain, float* samples, int count)
{
    // Chosen on the first pass, whatever the order in which the library's statics start.
    static const Kernel kernel = ChooseKernel();
    kernel(gain, samples, count);
}

void ScaleSamplesSse2(double gain, float* samples, int count)
{
    const __m128d factor = _mm_set1_pd(gain);
    int j = 0;
    for (; j + 4 <= count; j += 4) {
        const __m128d first = _mm_mul_pd(WidenTwo(samples + j), factor);
        const __m128d second = _mm_mul_pd(WidenTwo(samples + j + 2), factor);
        NarrowTwo(samples + j, first);
        NarrowTwo(samples + j + 2, second);
    }
    for (; j < count; ++j)
        samples[j] = static_cast<float>(samples[j] * gain);
}

__attribute__((target("avx"))) void ScaleSamplesAvx(double gain, float* samples, int count)
{
    const __m256d factor = _mm256_set1_pd(gain);
    int j = 0;
    for (; j + 8 <= count; j += 8) {
        const __m256d first = _mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(samples + j)), factor);
        const __m256d second = _mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(samples + j + 4)), factor);
        _mm_storeu_ps(samples + j, _mm256_cvtpd_ps(first));
        _mm_storeu_ps(samples + j + 4, _mm256_cvtpd_ps(second));
    }
    for (; j < count; ++j)
        samples[j] = static_cast<float>(samples[j] * gain);
}
