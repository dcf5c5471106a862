#include "tools/effect-host/process_file.h"

#include <algorithm>
#include <memory>

namespace {
struct InputFeed {
    WavReader* reader;
    uint16_t channels;
};

uint32_t __cdecl FeedFromFile(uint32_t context, SampleBlock* block)
{
    auto* feed = reinterpret_cast<InputFeed*>(static_cast<uintptr_t>(context));
    const uint32_t asked = block->sampleCount > 0 ? static_cast<uint32_t>(block->sampleCount) : 0;
    const uint32_t delivered = feed->reader->ReadFrames(block->channelsBegin, asked);
    // The chain filters the whole block; what the file could not fill is silence, not stale data.
    for (uint16_t k = 0; k < feed->channels; ++k)
        std::fill(block->channelsBegin[k] + delivered, block->channelsBegin[k] + asked, 0.0f);
    return delivered;
}

// Closes the stream on every path, so the record can take the next file.
class OpenStreamGuard {
public:
    OpenStreamGuard(const PluginLibrary& plugin, EffectSettings* record, const WavFormat& format)
        : close_(plugin.CloseStream), record_(record)
    {
        WAVEFORMATEX header{};
        header.wFormatTag = format.encoding == SampleEncoding::Float ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
        header.nChannels = format.channels;
        header.nSamplesPerSec = format.sampleRate;
        header.wBitsPerSample = format.bitsPerSample;
        header.nBlockAlign = static_cast<WORD>(format.BytesPerFrame());
        header.nAvgBytesPerSec = format.sampleRate * header.nBlockAlign;
        plugin.OpenStream(record, &header);
        if (!record->headNode)
            throw HostError("the plug-in could not open the stream");
    }
    ~OpenStreamGuard() { close_(record_); }
    OpenStreamGuard(const OpenStreamGuard&) = delete;
    OpenStreamGuard& operator=(const OpenStreamGuard&) = delete;

private:
    decltype(&::CloseStream) close_;
    EffectSettings* record_;
};

WavFormat OutputFormat(const WavFormat& input, bool sameFormat)
{
    WavFormat output = input;
    if (!sameFormat) {
        output.encoding = SampleEncoding::Float;
        output.bitsPerSample = 32;
        output.validBits = 32;
    }
    return output;
}
}  // namespace

const char* ContainerName(WavContainer container)
{
    const char* names[] = {"WAV", "RF64", "BW64", "Wave64"};
    return names[static_cast<int>(container)];
}

ProcessResult ProcessFile(const PluginLibrary& plugin, EffectSettings* record, const ProcessRequest& request,
                          const ProgressReport& progress)
{
    WavReader reader(request.input);
    ProcessResult result;
    result.inputFormat = reader.Format();
    result.outputFormat = OutputFormat(reader.Format(), request.sameFormat);
    if (!reader.Warning().empty())
        result.warnings.push_back(reader.Warning());
    const uint16_t channels = result.inputFormat.channels;

    WavLayout layout;
    layout.format = result.outputFormat;
    layout.container = request.sameFormat ? reader.Container() : WavContainer::Riff;
    layout.frames = reader.FrameCount();
    layout.chunkSource = request.input;
    layout.chunks = reader.KeptChunks();

    std::vector<std::unique_ptr<float[]>> buffers;
    std::vector<float*> pointers;
    for (uint16_t k = 0; k < channels; ++k) {
        buffers.emplace_back(new float[request.hostBlock]);
        pointers.push_back(buffers.back().get());
    }
    SampleBlock block{};
    block.channelsBegin = pointers.data();
    block.channelsEnd = block.channelsCapacityEnd = pointers.data() + pointers.size();

    WavWriter writer(request.output, layout);
    result.outputContainer = writer.Container();
    for (const std::string& chunk : writer.DroppedChunks())
        result.warnings.push_back(chunk + " left out: " + ContainerName(writer.Container()) + " cannot hold it");
    InputFeed feed{&reader, channels};
    plugin.SetStreamCallBack(FeedFromFile, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&feed)), record);
    const auto processStream = plugin.ProcessStream;
    {
        OpenStreamGuard stream(plugin, record, result.inputFormat);
        for (;;) {
            block.sampleCount = static_cast<int32_t>(request.hostBlock);
            const uint32_t processed = processStream(&block, record);
            const uint32_t usable = std::min(processed, request.hostBlock);
            writer.WriteFrames(pointers.data(), usable);
            result.frames += usable;
            if (progress)
                progress(result.frames, layout.frames, result.inputFormat.sampleRate);
            if (processed < request.hostBlock)
                break;
        }
    }
    reader.Close();
    writer.Finish();
    result.clipped = writer.ClippedSamples();
    return result;
}
