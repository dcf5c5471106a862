// Read, write in the same format and container, read again: the same format, frames, samples
// and kept chunks.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "tools/wav/wav_file.h"

namespace {
// Every frame of the file, channel by channel.
std::vector<std::vector<float>> ReadAll(WavReader& reader)
{
    std::vector<std::vector<float>> samples(reader.Format().channels,
                                            std::vector<float>(static_cast<size_t>(reader.FrameCount())));
    std::vector<float*> channels(samples.size());
    for (uint64_t done = 0;;) {
        for (size_t k = 0; k < samples.size(); ++k)
            channels[k] = samples[k].data() + done;
        const uint32_t read = reader.ReadFrames(channels.data(), 512);
        if (read == 0)
            return samples;
        done += read;
    }
}

std::vector<uint8_t> Body(const uint8_t* file, const WavChunk& chunk)
{
    return std::vector<uint8_t>(file + chunk.offset, file + chunk.offset + chunk.size);
}

// Equal values; the two zeros of µ-law and any NaN equal their own kind.
bool SameSample(float a, float b)
{
    return a == b || (a != a && b != b);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<WavReader> first;
    try {
        first = std::make_unique<WavReader>(std::make_unique<MemorySource>(data, size), "input");
    } catch (const WavError&) {
        return 0;
    }
    const std::vector<std::vector<float>> samples = ReadAll(*first);

    WavLayout layout;
    layout.format = first->Format();
    layout.container = first->Container();
    layout.frames = first->FrameCount();
    layout.chunks = first->KeptChunks();
    auto sink = std::make_unique<MemorySink>();
    MemorySink& output = *sink;
    WavWriter writer("output", std::move(sink), [&] { return std::make_unique<MemorySource>(data, size); }, layout);
    std::vector<const float*> channels(samples.size());
    for (size_t k = 0; k < samples.size(); ++k)
        channels[k] = samples[k].data();
    writer.WriteFrames(channels.data(), static_cast<uint32_t>(layout.frames));
    writer.Finish();
    if (!writer.DroppedChunks().empty())
        std::abort();

    const std::vector<uint8_t>& written = output.Bytes();
    WavReader second(std::make_unique<MemorySource>(written.data(), written.size()), "output");
    const WavFormat& a = first->Format();
    const WavFormat& b = second.Format();
    if (a.encoding != b.encoding || a.channels != b.channels || a.sampleRate != b.sampleRate ||
        a.bitsPerSample != b.bitsPerSample || second.Container() != first->Container() ||
        second.FrameCount() != first->FrameCount() || !second.Warning().empty())
        std::abort();
    const std::vector<std::vector<float>> again = ReadAll(second);
    for (size_t k = 0; k < samples.size(); ++k)
        for (size_t n = 0; n < samples[k].size(); ++n)
            if (!SameSample(samples[k][n], again[k][n]))
                std::abort();
    const std::vector<WavChunk>& kept = first->KeptChunks();
    const std::vector<WavChunk>& keptAgain = second.KeptChunks();
    if (kept.size() != keptAgain.size())
        std::abort();
    for (size_t c = 0; c < kept.size(); ++c)
        if (kept[c].id != keptAgain[c].id || kept[c].afterData != keptAgain[c].afterData ||
            Body(data, kept[c]) != Body(written.data(), keptAgain[c]))
            std::abort();
    return 0;
}
