// Initialize, InitializeXml, LoadPreset, SavePreset and SavePresetXml: the effect's four
// settings between a record and the host's store.
#include <cstdlib>
#include <cstring>

#include "dsp/fp_state.h"
#include "host/export_guard.h"
#include "host/plugin_api.h"
#include "host/stored_level.h"
#include "params/parameter_list.h"

namespace {
const char* const kNames[] = {"DryOut", "Volume2", "CutOffFreq", "BandWidth"};
const ParameterTable kEffectParameters = {kNames, "DWORD DWORD DWORD DWORD"};

struct StoredSettings {
    uint32_t dryOut = 32767;
    uint32_t volume2 = 32767;
    uint32_t cutOffFreq = 1000;
    uint32_t bandWidth = 400;
};

uint32_t Load(const char* fileName, const char* keyName, HKEY rootKey, XmlNode* node, EffectSettings** out)
{
    *out = nullptr;
    // The stored text's numbers and the levels come out as in the usual state, whatever the host's.
    const FpStateScope state;
    StoredSettings stored;
    LoadParameters(fileName, keyName, rootKey, node, kEffectParameters.names, kEffectParameters.format,
                   &stored.dryOut, &stored.volume2, &stored.cutOffFreq, &stored.bandWidth);
    EffectSettings image;
    std::memset(&image, 0, sizeof image);
    image.dryOut = StoredToLevel(stored.dryOut);
    image.volume2 = StoredToLevel(stored.volume2);
    image.cutOffFreq = stored.cutOffFreq;
    image.bandWidth = stored.bandWidth;
    auto* record = static_cast<EffectSettings*>(std::malloc(sizeof(EffectSettings)));
    if (!record)
        return 0;
    std::memcpy(record, &image, sizeof image);
    *out = record;
    return 1;
}

uint32_t Save(const char* fileName, const char* keyName, HKEY rootKey, XmlNode* node, const EffectSettings* settings)
{
    const FpStateScope state;
    uint32_t dryOut = LevelToStored(settings->dryOut);
    uint32_t volume2 = LevelToStored(settings->volume2);
    uint32_t cutOffFreq = settings->cutOffFreq;
    uint32_t bandWidth = settings->bandWidth;
    return SaveParameters(fileName, keyName, rootKey, node, kEffectParameters.names, kEffectParameters.format, &dryOut,
                          &volume2, &cutOffFreq, &bandWidth)
               ? 1
               : 0;
}
}  // namespace

extern "C" uint32_t __cdecl Initialize(const char* fileName, const char* keyName, HKEY rootKey, EffectSettings** out)
{
    return GuardExport(uint32_t{0}, {out}, [&] { return Load(fileName, keyName, rootKey, nullptr, out); });
}

extern "C" uint32_t __cdecl InitializeXml(XmlNode* node, EffectSettings** out)
{
    return GuardExport(uint32_t{0}, {out}, [&] { return Load(nullptr, nullptr, nullptr, node, out); });
}

extern "C" uint32_t __cdecl LoadPreset(const char* fileName, const char* keyName, HKEY rootKey, EffectSettings** out)
{
    return Initialize(fileName, keyName, rootKey, out);
}

extern "C" uint32_t __cdecl SavePreset(const char* fileName, const char* keyName, HKEY rootKey,
                                       const EffectSettings* settings)
{
    return GuardExport(uint32_t{0}, {settings}, [&] { return Save(fileName, keyName, rootKey, nullptr, settings); });
}

extern "C" uint32_t __cdecl SavePresetXml(XmlNode* node, const EffectSettings* settings)
{
    return GuardExport(uint32_t{0}, {settings}, [&] { return Save(nullptr, nullptr, nullptr, node, settings); });
}
