// ProcessStream: pulls the host's samples through its callback and runs the chain over the
// host's own buffers. Requests longer than kBlockLimit are cut into sub-blocks that point into
// those buffers, so the callback is never asked for more and no sample is copied.
#include <memory>
#include <new>

#include "dsp/chain.h"
#include "host/plugin_api.h"

namespace {
constexpr int32_t kBlockLimit = 16384;
// Sub-blocks of hosts up to this many channels point into a stack array: no allocation.
constexpr int kInlineChannels = 16;

uint32_t ProcessWhole(SampleBlock* block, const EffectSettings& stream)
{
    const uint32_t delivered = stream.callBack(stream.callBackContext, block);
    RunChain(stream, *block);
    block->processedCount = static_cast<int32_t>(delivered);
    return delivered;
}

uint32_t Finish(SampleBlock* block, uint32_t processed)
{
    block->processedCount = static_cast<int32_t>(processed);
    return processed;
}

uint32_t ProcessInSubBlocks(SampleBlock* block, const EffectSettings& stream)
{
    const int channels = ChannelsIn(*block);
    float* inlinePointers[kInlineChannels];
    std::unique_ptr<float*[]> heapPointers;
    float** pointers = inlinePointers;
    if (channels > kInlineChannels) {
        heapPointers.reset(new (std::nothrow) float*[channels]);
        if (!heapPointers)
            return 0;
        pointers = heapPointers.get();
    }

    SampleBlock sub = *block;
    sub.channelsBegin = channels ? pointers : nullptr;
    sub.channelsEnd = channels ? pointers + channels : nullptr;
    sub.channelsCapacityEnd = sub.channelsEnd;
    sub.processedCount = 0;

    auto point = [&](int32_t offset, int32_t count) {
        for (int k = 0; k < channels; ++k)
            pointers[k] = block->channelsBegin[k] + offset;
        sub.sampleCount = count;
    };

    const int32_t n = block->sampleCount;
    const int32_t full = n / kBlockLimit;
    for (int32_t i = 0; i < full; ++i) {
        point(i * kBlockLimit, kBlockLimit);
        const uint32_t delivered = ProcessWhole(&sub, stream);
        if (delivered < static_cast<uint32_t>(kBlockLimit))
            return Finish(block, i * kBlockLimit + delivered);
    }
    const int32_t remainder = n % kBlockLimit;
    if (remainder == 0)
        return Finish(block, n);
    point(full * kBlockLimit, remainder);
    const uint32_t delivered = ProcessWhole(&sub, stream);
    if (delivered < static_cast<uint32_t>(remainder))
        return Finish(block, full * kBlockLimit + delivered);
    return Finish(block, n);
}
}  // namespace

extern "C" uint32_t __cdecl ProcessStream(SampleBlock* block, EffectSettings* stream)
{
    if (!block || !stream || !stream->headNode || !stream->callBack)
        return 0;
    if (block->sampleCount <= kBlockLimit)
        return ProcessWhole(block, *stream);
    return ProcessInSubBlocks(block, *stream);
}
