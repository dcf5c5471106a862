// The two-node chain of a record: its GainNode at the head, feeding its BandRejectNode. The
// record owns both nodes; each is deleted on its own.
#pragma once

#include <cstdint>

#include "dsp/audio_format.h"
#include "dsp/sample_block.h"
#include "host/records.h"

class GainNode;

// Creates and links the nodes, copies dryOut into the gain and cutOffFreq/bandWidth into the
// filter; sets no format. Returns false, leaving the record without nodes, when out of memory.
// The record must hold no nodes.
bool BuildChain(EffectSettings* record);
// Deletes the record's nodes, if any, and clears both pointers.
void ReleaseChain(EffectSettings* record);

GainNode* HeadGain(const EffectSettings* record);

// Copies values' dryOut into the chain's gain and its frequencies, limited, into the filter,
// then sets the format on both nodes, head first: the chain is ready for blocks, its filter
// history cleared. Throws std::bad_alloc when the history cannot be allocated.
void PrepareChain(EffectSettings& chain, const EffectSettings& values, const AudioFormat* format);

// Runs the record's chain over the block, with the output of Process on its head node: the
// filter and the level in one pass over the samples.
void RunChain(const EffectSettings& record, const SampleBlock& block);

// A record's frequency, unsigned, as the nodes' signed field: values above INT32_MAX are limited
// to it rather than wrapped to negatives, so a huge bandwidth meets the filter's own limit and
// a huge centre passes the blocks through.
int32_t NodeFrequency(uint32_t hertz);
