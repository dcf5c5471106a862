// Interleaved samples of a WAV format to one float buffer per channel, and back.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/wav/wav_file.h"

void DecodeFrames(const WavFormat& format, const uint8_t* in, float* const* channels, uint32_t frames);

class SampleEncoder {
public:
    explicit SampleEncoder(const WavFormat& format);
    // Returns how many samples lay outside the format's range and were limited to it. Integer
    // formats round to the nearest value, ties to even.
    uint64_t Encode(const float* const* channels, uint32_t frames, uint8_t* out);

private:
    template <int Bits, typename Store>
    uint64_t EncodeRounded(const float* const* channels, uint32_t frames, uint8_t* out, uint32_t sampleBytes, Store store);

    WavFormat format_;
    std::vector<int32_t> staging_;  // a stretch of each channel's rounded samples
};
