// Interleaved samples of a WAV format to one float buffer per channel, and back.
#pragma once

#include <cstdint>

#include "wav_file.h"

void DecodeFrames(const WavFormat& format, const uint8_t* in, float* const* channels, uint32_t frames);
// Returns how many samples lay outside the format's range and were limited to it. Integer
// formats round to the nearest value, ties to even.
uint64_t EncodeFrames(const WavFormat& format, const float* const* channels, uint32_t frames, uint8_t* out);
