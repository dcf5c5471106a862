#include "dsp/chain.h"

#include <limits>
#include <new>

#include "dsp/band_reject_node.h"
#include "dsp/gain_node.h"

bool BuildChain(EffectSettings* record)
{
    GainNode* gain = new (std::nothrow) GainNode;
    BandRejectNode* filter = gain ? new (std::nothrow) BandRejectNode : nullptr;
    if (!filter) {
        delete gain;
        record->headNode = nullptr;
        record->filterNode = nullptr;
        return false;
    }
    record->headNode = gain;
    record->filterNode = filter;
    gain->gain = record->dryOut;
    gain->SetNext(filter);
    filter->cutOffFreq = NodeFrequency(record->cutOffFreq);
    filter->bandWidth = NodeFrequency(record->bandWidth);
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

int32_t NodeFrequency(uint32_t hertz)
{
    constexpr uint32_t kLargest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(hertz < kLargest ? hertz : kLargest);
}
