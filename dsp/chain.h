// The two-node chain of a record: its GainNode at the head, feeding its BandRejectNode. The
// record owns both nodes; each is deleted on its own.
#pragma once

#include "host/records.h"

class GainNode;

// Creates and links the nodes, copies dryOut into the gain and cutOffFreq/bandWidth into the
// filter; sets no format. Returns false, leaving the record without nodes, when out of memory.
// The record must hold no nodes.
bool BuildChain(EffectSettings* record);
// Deletes the record's nodes, if any, and clears both pointers.
void ReleaseChain(EffectSettings* record);

GainNode* HeadGain(const EffectSettings* record);
