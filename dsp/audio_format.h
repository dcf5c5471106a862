// The audio format as the host passes it: the layout of the Windows WAVEFORMATEX record, of
// which the nodes read only the channel count and the sample rate.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct AudioFormat {
    uint16_t formatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(AudioFormat) == 18, "AudioFormat has the WAVEFORMATEX layout");
static_assert(offsetof(AudioFormat, nChannels) == 2, "AudioFormat layout");
static_assert(offsetof(AudioFormat, nSamplesPerSec) == 4, "AudioFormat layout");
