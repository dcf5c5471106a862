// ProcessStream: pulls the host's samples through its callback and runs the chain over the
// host's own buffers. Requests longer than kBlockLimit are cut into pieces that point into
// those buffers, so the callback is never asked for more and no sample is copied.
#include <algorithm>
#include <memory>
#include <new>

#include "dsp/chain.h"
#include "host/export_guard.h"
#include "host/plugin_api.h"

namespace {
constexpr int32_t kBlockLimit = 16384;
// Pieces of hosts up to this many channels point into a stack array: no allocation.
constexpr int kInlineChannels = 16;

// One block as the host handed it, or one piece of it: its samples fetched through the
// callback, the chain run over all of them whatever was delivered, the delivered count stored
// and returned. The callback is the host's code and runs under the host's floating-point
// state: it returns before the chain's nodes open their scopes, and no scope may be opened
// around it.
uint32_t FetchAndProcess(SampleBlock* block, const EffectSettings& stream)
{
    const uint32_t delivered = stream.callBack(stream.callBackContext, block);
    RunChain(stream, *block);
    block->processedCount = static_cast<int32_t>(delivered);
    return delivered;
}

// Pieces of kBlockLimit samples and then the remainder, each pointing into the host's buffers,
// in order; a short delivery ends the request after its own piece.
uint32_t ProcessInPieces(SampleBlock* block, const EffectSettings& stream)
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

    SampleBlock piece = *block;
    piece.channelsBegin = channels ? pointers : nullptr;
    piece.channelsEnd = channels ? pointers + channels : nullptr;
    piece.channelsCapacityEnd = piece.channelsEnd;
    piece.processedCount = 0;

    // 64 bits: the step past the last piece of a count near 2^31 would overflow 32.
    const int64_t n = block->sampleCount;
    int32_t processed = block->sampleCount;
    for (int64_t offset = 0; offset < n; offset += kBlockLimit) {
        for (int k = 0; k < channels; ++k)
            pointers[k] = block->channelsBegin[k] + offset;
        piece.sampleCount = static_cast<int32_t>(std::min<int64_t>(kBlockLimit, n - offset));
        const uint32_t delivered = FetchAndProcess(&piece, stream);
        if (delivered < static_cast<uint32_t>(piece.sampleCount)) {
            processed = static_cast<int32_t>(offset + delivered);
            break;
        }
    }
    block->processedCount = processed;
    return static_cast<uint32_t>(processed);
}
}  // namespace

extern "C" uint32_t __cdecl ProcessStream(SampleBlock* block, EffectSettings* stream)
{
    return GuardExport(uint32_t{0}, {block, stream}, [&]() -> uint32_t {
        if (!stream->headNode || !stream->callBack)
            return 0;
        if (block->sampleCount <= kBlockLimit)
            return FetchAndProcess(block, *stream);
        return ProcessInPieces(block, *stream);
    });
}
