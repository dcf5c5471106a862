// The chain's node abstraction. A node works in place on the block's samples; Process hands
// the block to the rest of the chain first and does its own work afterwards, so in a chain
// head -> ... -> tail the tail's DoProcess runs first.
#pragma once

#include <cstdint>

#include "dsp/audio_format.h"
#include "dsp/sample_block.h"

class ProcessingNode {
public:
    ProcessingNode() = default;
    ProcessingNode(const ProcessingNode&) = delete;
    ProcessingNode& operator=(const ProcessingNode&) = delete;
    // A node never owns, and never deletes, its next node.
    virtual ~ProcessingNode() = default;

    // Reads only nChannels and nSamplesPerSec; the format is not kept.
    virtual void SetFormat(const AudioFormat* format);
    // Runs the rest of the chain, then this node's own work; 1 when DoProcess succeeded.
    virtual int Process(const SampleBlock& block);
    // Called once on the head node when a stream opens, before any format is set.
    virtual void OnStreamOpen() {}
    virtual void SetNext(ProcessingNode* node) { next_ = node; }
    virtual int DoProcess(const SampleBlock&) { return 1; }

    ProcessingNode* Next() const { return next_; }
    int32_t SampleRate() const { return sampleRate_; }
    int32_t ChannelCount() const { return channelCount_; }

protected:
    ProcessingNode* next_ = nullptr;
    int32_t sampleRate_ = 0;
    int32_t channelCount_ = 0;
};
