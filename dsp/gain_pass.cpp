#include "dsp/gain_pass.h"

#include "dsp/packed_samples.h"

void ScaleSamples(double gain, float* samples, int count)
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
