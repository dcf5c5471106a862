// PlugInInfo, CopySettings, Free, SetStreamCallBack, OpenStream and CloseStream.
#include <cstdlib>
#include <cstring>

#include "dsp/chain.h"
#include "dsp/processing_node.h"
#include "host/export_guard.h"
#include "host/plugin_api.h"

static_assert(sizeof(AudioFormat) == sizeof(WAVEFORMATEX), "AudioFormat mirrors WAVEFORMATEX");
static_assert(offsetof(AudioFormat, nChannels) == offsetof(WAVEFORMATEX, nChannels), "AudioFormat layout");
static_assert(offsetof(AudioFormat, nSamplesPerSec) == offsetof(WAVEFORMATEX, nSamplesPerSec), "AudioFormat layout");

namespace {
const char kEffectName[] = "Band Reject Filter";
const char kVendorName[] = "Tesmor Ltd (CY)";
constexpr uint32_t kCode1 = 0x00040000;
constexpr uint32_t kCode2 = 2;
}  // namespace

extern "C" uint32_t __cdecl PlugInInfo(EffectInfo* info)
{
    return GuardExport(uint32_t{0}, {info}, [&]() -> uint32_t {
        if (info->structSize != sizeof(EffectInfo))
            return 0;
        info->reserved = 0;
        info->effectName = kEffectName;
        info->vendorName = kVendorName;
        info->code1 = kCode1;
        info->code2 = kCode2;
        return 1;
    });
}

extern "C" uint32_t __cdecl CopySettings(EffectSettings** out, const EffectSettings* source)
{
    return GuardExport(uint32_t{0}, {out, source}, [&]() -> uint32_t {
        auto* copy = static_cast<EffectSettings*>(std::malloc(sizeof(EffectSettings)));
        *out = copy;
        if (!copy)
            return 0;
        std::memcpy(copy, source, sizeof(EffectSettings));
        copy->headNode = nullptr;
        copy->filterNode = nullptr;
        return 1;
    });
}

extern "C" void __cdecl Free(EffectSettings* record)
{
    GuardExport({record}, [&] {
        ReleaseChain(record);
        std::free(record);
    });
}

extern "C" uint32_t __cdecl SetStreamCallBack(StreamCallBack callBack, uint32_t context, EffectSettings* stream)
{
    return GuardExport(uint32_t{0}, {stream}, [&]() -> uint32_t {
        stream->callBack = callBack;
        stream->callBackContext = context;
        return 1;
    });
}

extern "C" uint32_t __cdecl OpenStream(EffectSettings* stream, const WAVEFORMATEX* format)
{
    return GuardExport(uint32_t{0}, {stream, format}, [&]() -> uint32_t {
        // A host that opens twice would otherwise leak the first chain.
        ReleaseChain(stream);
        if (!BuildChain(stream))
            return 0;
        const auto* audioFormat = reinterpret_cast<const AudioFormat*>(format);
        try {
            stream->headNode->OnStreamOpen();
            PrepareChain(*stream, *stream, audioFormat);
        } catch (...) {
            // Out of memory for the filter's history: the record is left without a stream.
            ReleaseChain(stream);
        }
        return 0;
    });
}

extern "C" uint32_t __cdecl CloseStream(EffectSettings* stream)
{
    return GuardExport(uint32_t{0}, {stream}, [&]() -> uint32_t {
        ReleaseChain(stream);
        return 1;
    });
}
