// The gain pass: every sample times a double factor, rounded to float. Each kernel does, for
// every sample, the IEEE operations of the plain statement
//     samples[j] = static_cast<float>(samples[j] * gain);
// so they all give its bits; they differ only in how many samples one instruction carries.
#pragma once

// The kernel for this processor: AVX where the processor and the system support it, else SSE2.
void ScaleSamples(double gain, float* samples, int count);

void ScaleSamplesSse2(double gain, float* samples, int count);
// Only where AvxUsable().
void ScaleSamplesAvx(double gain, float* samples, int count);
bool AvxUsable();
