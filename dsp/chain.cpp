#include "dsp/chain.h"

#include <limits>
#include <memory>
#include <new>

#include "dsp/band_reject_node.h"
#include "dsp/gain_node.h"

bool BuildChain(EffectSettings* record)
{
    record->headNode = nullptr;
    record->filterNode = nullptr;
    // The filter's constructor allocates its history and throws when out of memory, so a
    // nothrow new alone would not keep the failure, or the gain made before it, in here.
    std::unique_ptr<GainNode> gain;
    std::unique_ptr<BandRejectNode> filter;
    try {
        gain = std::make_unique<GainNode>();
        filter = std::make_unique<BandRejectNode>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    gain->gain = record->dryOut;
    gain->SetNext(filter.get());
    filter->cutOffFreq = NodeFrequency(record->cutOffFreq);
    filter->bandWidth = NodeFrequency(record->bandWidth);
    record->headNode = gain.release();
    record->filterNode = filter.release();
    return true;
}

void ReleaseChain(EffectSettings* record)
{
    delete record->headNode;
    record->headNode = nullptr;
    delete record->filterNode;
    record->filterNode = nullptr;
}

GainNode* HeadGain(const EffectSettings* record)
{
    return static_cast<GainNode*>(record->headNode);
}

void RunChain(const EffectSettings& record, const SampleBlock& block)
{
    record.filterNode->FilterThenScale(block, HeadGain(&record)->gain);
}

int32_t NodeFrequency(uint32_t hertz)
{
    constexpr uint32_t kLargest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(hertz < kLargest ? hertz : kLargest);
}
