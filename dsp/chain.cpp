#include "dsp/chain.h"

#include <limits>
#include <memory>
#include <new>

#include "dsp/band_reject_node.h"
#include "dsp/gain_node.h"

namespace {
// The record's level into the gain, its frequencies, limited, into the filter.
void CopyValues(EffectSettings& chain, const EffectSettings& values)
{
    HeadGain(&chain)->gain = values.dryOut;
    chain.filterNode->cutOffFreq = NodeFrequency(values.cutOffFreq);
    chain.filterNode->bandWidth = NodeFrequency(values.bandWidth);
}
}  // namespace

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
    gain->SetNext(filter.get());
    record->headNode = gain.release();
    record->filterNode = filter.release();
    CopyValues(*record, *record);
    return true;
}

void PrepareChain(EffectSettings& chain, const EffectSettings& values, const AudioFormat* format)
{
    CopyValues(chain, values);
    chain.headNode->SetFormat(format);
    chain.filterNode->SetFormat(format);
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
