// The WAV reader on any bytes: it refuses with WavError or reads exactly the frames it
// announces, never more, in blocks of any size.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "tools/wav/wav_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<WavReader> reader;
    try {
        reader = std::make_unique<WavReader>(std::make_unique<MemorySource>(data, size), "input");
    } catch (const WavError&) {
        return 0;
    }
    const WavFormat& format = reader->Format();
    if (format.channels == 0 || format.BytesPerFrame() == 0 ||
        reader->FrameCount() > size / format.BytesPerFrame())
        std::abort();
    for (const WavChunk& chunk : reader->KeptChunks())
        if (chunk.offset > size || chunk.size > size - chunk.offset)
            std::abort();

    // The block size varies with the input, so that short last blocks are reached.
    const uint32_t block = 1 + size % 997;
    std::vector<std::vector<float>> buffers(format.channels, std::vector<float>(block));
    std::vector<float*> channels;
    for (auto& buffer : buffers)
        channels.push_back(buffer.data());
    uint64_t total = 0;
    while (const uint32_t read = reader->ReadFrames(channels.data(), block)) {
        if (read > block)
            std::abort();
        total += read;
    }
    if (total != reader->FrameCount())
        std::abort();
    return 0;
}
