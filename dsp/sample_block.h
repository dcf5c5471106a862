// The block of samples that travels from the host through the chain: one float buffer per
// channel (not interleaved), shared with the host and never copied.
#pragma once

#include <cstddef>
#include <cstdint>

struct SampleBlock {
    uint32_t reserved;            // carries nothing; never read or written by the library
    float** channelsBegin;        // first channel buffer pointer; null for a block without channels
    float** channelsEnd;          // one past the last pointer in use
    float** channelsCapacityEnd;  // one past the last pointer allocated
    int32_t sampleCount;          // samples per channel, never negative
    int32_t processedCount;       // written by ProcessStream
    uint32_t carried;             // copied along, never interpreted
};
#ifndef BANDREJECT_NATIVE  // the host's 32-bit layout
static_assert(sizeof(SampleBlock) == 28, "SampleBlock is 28 bytes");
static_assert(offsetof(SampleBlock, reserved) == 0, "SampleBlock layout");
static_assert(offsetof(SampleBlock, channelsBegin) == 4, "SampleBlock layout");
static_assert(offsetof(SampleBlock, channelsEnd) == 8, "SampleBlock layout");
static_assert(offsetof(SampleBlock, channelsCapacityEnd) == 12, "SampleBlock layout");
static_assert(offsetof(SampleBlock, sampleCount) == 16, "SampleBlock layout");
static_assert(offsetof(SampleBlock, processedCount) == 20, "SampleBlock layout");
static_assert(offsetof(SampleBlock, carried) == 24, "SampleBlock layout");
#endif

inline int ChannelsIn(const SampleBlock& block)
{
    return block.channelsBegin ? static_cast<int>(block.channelsEnd - block.channelsBegin) : 0;
}
