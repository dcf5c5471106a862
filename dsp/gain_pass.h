// The gain pass: every sample times a double factor, rounded to float, two samples per
// instruction, with the IEEE operations of the plain statement
//     samples[j] = static_cast<float>(samples[j] * gain);
// so it gives its bits.
#pragma once

void ScaleSamples(double gain, float* samples, int count);
