// The records that cross the boundary between a host and the library, in the host's layout.
// Plain data with no platform dependence, so the DSP chain can use them too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/sample_block.h"

class ProcessingNode;
class BandRejectNode;
class XmlNode;

// Fills the block's channel buffers with up to block->sampleCount samples each and returns how
// many it delivered. Called synchronously inside ProcessStream, with at most 16384 samples asked.
typedef uint32_t(__cdecl* StreamCallBack)(uint32_t context, SampleBlock* block);

// The effect's settings and, while a stream is open, that stream's state. Allocated and
// released by the library (Initialize, InitializeXml, LoadPreset, CopySettings; Free).
struct EffectSettings {
    double dryOut;            // output level factor applied after the filter; "DryOut"
    double volume2;           // second level factor, stored and loaded only; "Volume2"
    uint32_t cutOffFreq;      // centre frequency in Hz; "CutOffFreq"
    uint32_t bandWidth;       // width of the rejected band in Hz; "BandWidth"
    ProcessingNode* headNode; // the stream's gain node; null while no stream is open
    BandRejectNode* filterNode;
    StreamCallBack callBack;
    uint32_t callBackContext; // handed back to callBack as its first argument
};
#ifndef BANDREJECT_NATIVE  // the host's 32-bit layout
static_assert(sizeof(void*) == 4, "the host's records have 32-bit pointers");
static_assert(sizeof(EffectSettings) == 40, "EffectSettings is 40 bytes");
static_assert(offsetof(EffectSettings, dryOut) == 0, "EffectSettings layout");
static_assert(offsetof(EffectSettings, volume2) == 8, "EffectSettings layout");
static_assert(offsetof(EffectSettings, cutOffFreq) == 16, "EffectSettings layout");
static_assert(offsetof(EffectSettings, bandWidth) == 20, "EffectSettings layout");
static_assert(offsetof(EffectSettings, headNode) == 24, "EffectSettings layout");
static_assert(offsetof(EffectSettings, filterNode) == 28, "EffectSettings layout");
static_assert(offsetof(EffectSettings, callBack) == 32, "EffectSettings layout");
static_assert(offsetof(EffectSettings, callBackContext) == 36, "EffectSettings layout");
#endif

// Owned by the host; the host sets structSize to 24 before PlugInInfo fills the rest.
struct EffectInfo {
    uint32_t structSize;
    uint32_t reserved;
    const char* effectName;
    const char* vendorName;
    uint32_t code1;
    uint32_t code2;
};
#ifndef BANDREJECT_NATIVE  // the host's 32-bit layout
static_assert(sizeof(EffectInfo) == 24, "EffectInfo is 24 bytes");
static_assert(offsetof(EffectInfo, structSize) == 0, "EffectInfo layout");
static_assert(offsetof(EffectInfo, reserved) == 4, "EffectInfo layout");
static_assert(offsetof(EffectInfo, effectName) == 8, "EffectInfo layout");
static_assert(offsetof(EffectInfo, vendorName) == 12, "EffectInfo layout");
static_assert(offsetof(EffectInfo, code1) == 16, "EffectInfo layout");
static_assert(offsetof(EffectInfo, code2) == 20, "EffectInfo layout");
#endif
