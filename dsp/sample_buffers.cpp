#include "dsp/sample_buffers.h"

#include <utility>

SampleBuffers::SampleBuffers() : block_{} {}

SampleBuffers::~SampleBuffers() { ReleaseBuffers(); }

void SampleBuffers::AllocateBuffers(int channelTotal, int samples)
{
    ReleaseBuffers();
    for (int k = 0; k < channelTotal; ++k) {
        // Owned before the vector grows: a growth that runs out of memory frees it.
        std::unique_ptr<float[]> buffer(new float[samples > 0 ? samples : 0]);
        buffers_.push_back(std::move(buffer));
        pointers_.push_back(buffers_.back().get());
    }
    PublishPointers();
    block_.processedCount = 0;
    block_.sampleCount = samples;
}

void SampleBuffers::ReleaseBuffers()
{
    buffers_.clear();
    pointers_.clear();
    PublishPointers();
    block_.sampleCount = 0;
    block_.processedCount = 0;
}

void SampleBuffers::PublishPointers()
{
    float** begin = pointers_.empty() ? nullptr : pointers_.data();
    block_.channelsBegin = begin;
    block_.channelsEnd = begin ? begin + pointers_.size() : nullptr;
    block_.channelsCapacityEnd = begin ? begin + pointers_.capacity() : nullptr;
}
