// The chain that ProcessStream runs, with any settings, format, block shape and samples a host
// may hand it (a block may carry more channels than the format names): the sanitizers watch
// the arithmetic and the history, and no output is subnormal where no input was.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <new>
#include <vector>

#include "dsp/audio_format.h"
#include "dsp/chain.h"
#include "host/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    EffectSettings record{};
    record.dryOut = input.ConsumeFloatingPoint<double>();
    record.cutOffFreq = input.ConsumeIntegral<uint32_t>();
    record.bandWidth = input.ConsumeIntegral<uint32_t>();
    AudioFormat format{};
    format.formatTag = 3;
    format.nChannels = input.ConsumeIntegralInRange<uint16_t>(0, 12);
    format.nSamplesPerSec = input.ConsumeIntegral<uint32_t>();
    if (!BuildChain(&record))
        return 0;
    try {
        PrepareChain(record, record, &format);
    } catch (const std::bad_alloc&) {
        ReleaseChain(&record);
        return 0;
    }
    const int channels = input.ConsumeIntegralInRange(0, 12);
    std::vector<std::vector<float>> buffers(channels);
    std::vector<float*> pointers(channels);
    while (input.remaining_bytes() > 0) {
        const int32_t count = input.ConsumeIntegralInRange(0, 300);
        bool subnormalIn = false;
        for (int k = 0; k < channels; ++k) {
            buffers[k].resize(count);
            for (float& sample : buffers[k]) {
                sample = input.ConsumeFloatingPoint<float>();
                subnormalIn = subnormalIn || std::fpclassify(sample) == FP_SUBNORMAL;
            }
            pointers[k] = buffers[k].data();
        }
        float** end = pointers.data() + channels;
        const SampleBlock block{0, channels ? pointers.data() : nullptr, channels ? end : nullptr,
                                channels ? end : nullptr, count, 0, 0};
        RunChain(record, block);
        for (int k = 0; k < channels && !subnormalIn; ++k)
            for (const float sample : buffers[k])
                if (std::fpclassify(sample) == FP_SUBNORMAL)
                    __builtin_trap();
    }
    ReleaseChain(&record);
    return 0;
}
