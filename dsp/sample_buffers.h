// A SampleBlock whose channel buffers the library allocates itself (the response computation's
// working block), as opposed to a host's block whose buffers the host owns.
#pragma once

#include <memory>
#include <vector>

#include "dsp/sample_block.h"

class SampleBuffers {
public:
    SampleBuffers();
    ~SampleBuffers();
    SampleBuffers(const SampleBuffers&) = delete;
    SampleBuffers& operator=(const SampleBuffers&) = delete;

    // Releases what is held, then allocates channelTotal buffers of samples floats (contents
    // left as they are). A channelTotal of 0 or less allocates nothing but sets the count.
    void AllocateBuffers(int channelTotal, int samples);
    // Deletes every buffer; the block is left without channels and with counts 0.
    void ReleaseBuffers();

    const SampleBlock& Block() const { return block_; }
    float* Channel(int k) const { return block_.channelsBegin[k]; }

private:
    void PublishPointers();

    std::vector<std::unique_ptr<float[]>> buffers_;
    std::vector<float*> pointers_;
    SampleBlock block_;
};
