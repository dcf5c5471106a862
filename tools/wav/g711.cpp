#include "tools/wav/g711.h"

namespace {
constexpr int kMuLawBias = 0x84;
constexpr int kMuLawClip = 8159;

// The segment of a magnitude: how many times its top bit lies above firstLimit, at most 8.
int Segment(int magnitude, int firstLimit)
{
    int segment = 0;
    for (int limit = firstLimit; segment < 8 && magnitude > limit; limit = limit << 1 | 1)
        ++segment;
    return segment;
}
}  // namespace

int16_t ALawToLinear(uint8_t code)
{
    const int flipped = code ^ 0x55;
    const int segment = (flipped & 0x70) >> 4;
    int magnitude = (flipped & 0x0F) << 4;
    magnitude += segment == 0 ? 8 : 0x108;
    if (segment > 1)
        magnitude <<= segment - 1;
    return static_cast<int16_t>(flipped & 0x80 ? magnitude : -magnitude);
}

int16_t MuLawToLinear(uint8_t code)
{
    const int flipped = ~code & 0xFF;
    const int magnitude = (((flipped & 0x0F) << 3) + kMuLawBias) << ((flipped & 0x70) >> 4);
    return static_cast<int16_t>(flipped & 0x80 ? kMuLawBias - magnitude : magnitude - kMuLawBias);
}

uint8_t LinearToALaw(int16_t value)
{
    int magnitude = value >> 3;  // A-law codes 13-bit values
    int mask = 0xD5;
    if (magnitude < 0) {
        mask = 0x55;
        magnitude = -magnitude - 1;
    }
    const int segment = Segment(magnitude, 0x1F);
    if (segment >= 8)
        return static_cast<uint8_t>(0x7F ^ mask);
    const int step = segment < 2 ? 1 : segment;
    return static_cast<uint8_t>((segment << 4 | ((magnitude >> step) & 0x0F)) ^ mask);
}

uint8_t LinearToMuLaw(int16_t value)
{
    int magnitude = value >> 2;  // µ-law codes 14-bit values
    int mask = 0xFF;
    if (magnitude < 0) {
        mask = 0x7F;
        magnitude = -magnitude;
    }
    if (magnitude > kMuLawClip)
        magnitude = kMuLawClip;
    magnitude += kMuLawBias >> 2;
    const int segment = Segment(magnitude, 0x3F);
    if (segment >= 8)
        return static_cast<uint8_t>(0x7F ^ mask);
    return static_cast<uint8_t>((segment << 4 | ((magnitude >> (segment + 1)) & 0x0F)) ^ mask);
}
