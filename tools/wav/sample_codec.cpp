#include "tools/wav/sample_codec.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "tools/wav/g711.h"
#include "tools/wav/little_endian.h"

namespace {
constexpr uint32_t kStagedFrames = 1024;

template <typename Decode>
void DecodeEach(const uint8_t* in, float* const* channels, uint16_t channelCount, uint32_t frames,
                uint32_t sampleBytes, Decode decode)
{
    for (uint32_t j = 0; j < frames; ++j)
        for (uint16_t k = 0; k < channelCount; ++k, in += sampleBytes)
            channels[k][j] = decode(in);
}

template <typename Encode>
void EncodeEach(const float* const* channels, uint16_t channelCount, uint32_t frames, uint32_t sampleBytes,
                uint8_t* out, Encode encode)
{
    for (uint32_t j = 0; j < frames; ++j)
        for (uint16_t k = 0; k < channelCount; ++k, out += sampleBytes)
            encode(channels[k][j], out);
}

template <typename Decode>
std::array<float, 256> CompandingTable(Decode decode)
{
    std::array<float, 256> table;
    for (int code = 0; code < 256; ++code)
        table[code] = decode(static_cast<uint8_t>(code)) * (1.0f / 32768.0f);
    return table;
}

// G.711 codes a 16-bit value by its top 13 (A-law) or 14 (µ-law) bits.
template <int Shift, typename Encode>
std::array<uint8_t, (65536 >> Shift)> CompressionTable(Encode encode)
{
    std::array<uint8_t, (65536 >> Shift)> table;
    for (int index = 0; index < (65536 >> Shift); ++index)
        table[index] = encode(static_cast<int16_t>(index << Shift));
    return table;
}

const std::array<float, 256> kALawValues = CompandingTable(ALawToLinear);
const std::array<float, 256> kMuLawValues = CompandingTable(MuLawToLinear);
const std::array<uint8_t, 8192> kALawCodes = CompressionTable<3>(LinearToALaw);
const std::array<uint8_t, 16384> kMuLawCodes = CompressionTable<2>(LinearToMuLaw);

// sample × 2^(bits-1) is exact in float, so rounding it in float is rounding the exact product.
template <int Bits>
int32_t RoundToRange(float sample, uint64_t& clipped)
{
    constexpr float kScale = static_cast<float>(1 << (Bits - 1));
    constexpr int32_t kMax = (1 << (Bits - 1)) - 1;
    const float scaled = sample * kScale;
    int32_t value = _mm_cvtss_si32(_mm_set_ss(scaled));
    if (value > kMax || value < -kMax - 1 || scaled != scaled) {
        ++clipped;
        value = scaled > 0 ? kMax : scaled < 0 ? -kMax - 1 : 0;
    }
    return value;
}

// RoundToRange for count samples, four at a time; returns how many were out of range.
template <int Bits>
uint32_t RoundStretch(const float* in, uint32_t count, int32_t* out)
{
    constexpr int32_t kMax = (1 << (Bits - 1)) - 1;
    // Beyond 2^24 every sample clips; the bound keeps the conversion within 32 bits.
    const __m128 scale = _mm_set1_ps(static_cast<float>(1 << (Bits - 1))), bound = _mm_set1_ps(16777216.0f);
    const __m128 negativeBound = _mm_set1_ps(-16777216.0f);
    const __m128i top = _mm_set1_epi32(kMax), bottom = _mm_set1_epi32(-kMax - 1);
    uint32_t clipped = 0;
    uint32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128 scaled = _mm_mul_ps(_mm_loadu_ps(in + i), scale);
        const __m128 ordered = _mm_cmpord_ps(scaled, scaled);
        scaled = _mm_min_ps(_mm_max_ps(_mm_and_ps(scaled, ordered), negativeBound), bound);
        __m128i value = _mm_cvtps_epi32(scaled);
        const __m128i high = _mm_cmpgt_epi32(value, top), low = _mm_cmplt_epi32(value, bottom);
        value = _mm_or_si128(_mm_andnot_si128(high, value), _mm_and_si128(high, top));
        value = _mm_or_si128(_mm_andnot_si128(low, value), _mm_and_si128(low, bottom));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), value);
        const int outside = _mm_movemask_ps(_mm_castsi128_ps(_mm_or_si128(high, low))) | (~_mm_movemask_ps(ordered) & 15);
        clipped += static_cast<uint32_t>(__builtin_popcount(outside));
    }
    uint64_t tail = 0;
    for (; i < count; ++i)
        out[i] = RoundToRange<Bits>(in[i], tail);
    return clipped + static_cast<uint32_t>(tail);
}

// The largest 32-bit value has no float of its own: +1.0 stands for it and is not clipping.
int32_t RoundTo32Bits(float sample, uint64_t& clipped)
{
    double scaled = static_cast<double>(sample) * 2147483648.0;
    if (!(scaled >= -2147483648.0 && scaled <= 2147483648.0)) {
        ++clipped;
        scaled = scaled > 0 ? 2147483647.0 : scaled < 0 ? -2147483648.0 : 0.0;
    }
    return _mm_cvtsd_si32(_mm_set_sd(std::min(scaled, 2147483647.0)));
}

void Store(uint8_t* out, uint32_t value, int bytes)
{
    for (int b = 0; b < bytes; ++b)
        out[b] = static_cast<uint8_t>(value >> (8 * b));
}
}  // namespace

void DecodeFrames(const WavFormat& format, const uint8_t* in, float* const* channels, uint32_t frames)
{
    const uint16_t n = format.channels;
    const uint32_t bytes = format.bitsPerSample / 8;
    switch (format.encoding) {
    case SampleEncoding::ALaw:
        return DecodeEach(in, channels, n, frames, 1, [](const uint8_t* p) { return kALawValues[*p]; });
    case SampleEncoding::MuLaw:
        return DecodeEach(in, channels, n, frames, 1, [](const uint8_t* p) { return kMuLawValues[*p]; });
    case SampleEncoding::Float:
        if (bytes == 8)
            return DecodeEach(in, channels, n, frames, 8, [](const uint8_t* p) {
                double value;
                std::memcpy(&value, p, sizeof value);
                return static_cast<float>(value);
            });
        return DecodeEach(in, channels, n, frames, 4, [](const uint8_t* p) {
            float value;
            std::memcpy(&value, p, sizeof value);
            return value;
        });
    case SampleEncoding::Pcm:
        break;
    }
    switch (bytes) {
    case 1:
        return DecodeEach(in, channels, n, frames, 1, [](const uint8_t* p) { return (p[0] - 128) * (1.0f / 128.0f); });
    case 2:
        return DecodeEach(in, channels, n, frames, 2, [](const uint8_t* p) {
            return static_cast<int16_t>(Read16(p)) * (1.0f / 32768.0f);
        });
    case 3:
        return DecodeEach(in, channels, n, frames, 3, [](const uint8_t* p) {
            const int32_t value = static_cast<int32_t>(p[0] << 8 | p[1] << 16 | static_cast<uint32_t>(p[2]) << 24);
            return static_cast<float>(value * (1.0 / 2147483648.0));
        });
    default:
        return DecodeEach(in, channels, n, frames, 4, [](const uint8_t* p) {
            return static_cast<float>(static_cast<int32_t>(Read32(p)) * (1.0 / 2147483648.0));
        });
    }
}

SampleEncoder::SampleEncoder(const WavFormat& format) : format_(format), staging_(format.channels * kStagedFrames) {}

// Each channel is rounded four samples at a time into staging_, then interleaved into out.
template <int Bits, typename Store>
uint64_t SampleEncoder::EncodeRounded(const float* const* channels, uint32_t frames, uint8_t* out,
                                      uint32_t sampleBytes, Store store)
{
    uint64_t clipped = 0;
    const uint16_t channelCount = format_.channels;
    for (uint32_t start = 0; start < frames; start += kStagedFrames) {
        const uint32_t count = std::min(kStagedFrames, frames - start);
        for (uint16_t k = 0; k < channelCount; ++k)
            clipped += RoundStretch<Bits>(channels[k] + start, count, &staging_[k * kStagedFrames]);
        for (uint32_t j = 0; j < count; ++j)
            for (uint16_t k = 0; k < channelCount; ++k, out += sampleBytes)
                store(staging_[k * kStagedFrames + j], out);
    }
    return clipped;
}

uint64_t SampleEncoder::Encode(const float* const* channels, uint32_t frames, uint8_t* out)
{
    const uint16_t n = format_.channels;
    const uint32_t bytes = format_.bitsPerSample / 8;
    switch (format_.encoding) {
    case SampleEncoding::ALaw:
        return EncodeRounded<16>(channels, frames, out, 1, [](int32_t value, uint8_t* p) {
            *p = kALawCodes[static_cast<uint16_t>(value) >> 3];
        });
    case SampleEncoding::MuLaw:
        return EncodeRounded<16>(channels, frames, out, 1, [](int32_t value, uint8_t* p) {
            *p = kMuLawCodes[static_cast<uint16_t>(value) >> 2];
        });
    case SampleEncoding::Float:
        if (bytes == 8)
            EncodeEach(channels, n, frames, 8, out, [](float sample, uint8_t* p) {
                const double value = sample;
                std::memcpy(p, &value, sizeof value);
            });
        else
            EncodeEach(channels, n, frames, 4, out, [](float sample, uint8_t* p) { std::memcpy(p, &sample, sizeof sample); });
        return 0;
    case SampleEncoding::Pcm:
        break;
    }
    switch (bytes) {
    case 1:
        return EncodeRounded<8>(channels, frames, out, 1,
                                [](int32_t value, uint8_t* p) { *p = static_cast<uint8_t>(value + 128); });
    case 2:
        return EncodeRounded<16>(channels, frames, out, 2,
                                 [](int32_t value, uint8_t* p) { Store(p, static_cast<uint32_t>(value), 2); });
    case 3:
        return EncodeRounded<24>(channels, frames, out, 3,
                                 [](int32_t value, uint8_t* p) { Store(p, static_cast<uint32_t>(value), 3); });
    default: {
        uint64_t clipped = 0;
        EncodeEach(channels, n, frames, 4, out, [&clipped](float sample, uint8_t* p) {
            Store(p, static_cast<uint32_t>(RoundTo32Bits(sample, clipped)), 4);
        });
        return clipped;
    }
    }
}
