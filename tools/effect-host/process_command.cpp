// effect-host process IN.wav OUT.wav: the job a user runs the plug-in for.
#include <cstdio>
#include <memory>
#include <vector>

#include "commands.h"
#include "settings_record.h"
#include "wav_file.h"

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

class Progress {
public:
    Progress(uint64_t total, uint32_t sampleRate) : total_(total), enabled_(total > 30ull * sampleRate) {}
    void Advance(uint64_t done)
    {
        if (!enabled_ || total_ == 0)
            return;
        const int percent = static_cast<int>(done * 100 / total_);
        if (percent >= shown_ + 10) {
            shown_ = percent - percent % 10;
            std::fprintf(stderr, "effect-host: %d%%\n", shown_);
        }
    }

private:
    uint64_t total_;
    bool enabled_;
    int shown_ = 0;
};

}  // namespace

int RunProcess(int argc, char** argv)
{
    const std::vector<std::string> flags = {"same-format"};
    Options options(argc, argv, flags);
    std::vector<std::string> known = kSettingsOptions;
    known.insert(known.end(), {"same-format", "block"});
    options.Allow(known);
    if (options.Positional().size() != 2)
        throw UsageError("process takes an input and an output file: process IN.wav OUT.wav");
    const uint32_t hostBlock = options.Unsigned("block", 4096);
    if (hostBlock == 0 || hostBlock > (1u << 24))
        throw UsageError("--block takes a sample count from 1 to 16777216");

    WavReader reader(options.Positional()[0]);
    const WavFormat& inFormat = reader.Format();
    WavFormat outFormat = inFormat;
    if (!options.Has("same-format")) {
        outFormat.isFloat = true;
        outFormat.bitsPerSample = 32;
    }

    Plugin plugin;
    SettingsRecord settings = StartingSettings(plugin, options);
    EffectSettings* stream = nullptr;
    if (!PLUGIN_EXPORT(plugin, CopySettings)(&stream, settings.Get()) || !stream)
        throw HostError("the plug-in could not allocate a stream record");
    SettingsRecord streamRecord(plugin, stream);

    InputFeed feed{&reader, inFormat.channels};
    PLUGIN_EXPORT(plugin, SetStreamCallBack)(FeedFromFile, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&feed)), stream);
    WAVEFORMATEX format{};
    format.wFormatTag = inFormat.isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
    format.nChannels = inFormat.channels;
    format.nSamplesPerSec = inFormat.sampleRate;
    format.wBitsPerSample = inFormat.bitsPerSample;
    format.nBlockAlign = inFormat.BytesPerFrame();
    format.nAvgBytesPerSec = inFormat.sampleRate * format.nBlockAlign;
    PLUGIN_EXPORT(plugin, OpenStream)(stream, &format);
    if (!stream->headNode)
        throw HostError("the plug-in could not open the stream");

    std::vector<std::unique_ptr<float[]>> buffers;
    std::vector<float*> pointers;
    for (uint16_t k = 0; k < inFormat.channels; ++k) {
        buffers.emplace_back(new float[hostBlock]);
        pointers.push_back(buffers.back().get());
    }
    SampleBlock block{};
    block.channelsBegin = pointers.data();
    block.channelsEnd = block.channelsCapacityEnd = pointers.data() + pointers.size();

    WavWriter writer(options.Positional()[1], outFormat);
    const auto processStream = PLUGIN_EXPORT(plugin, ProcessStream);
    Progress progress(reader.FrameCount(), inFormat.sampleRate);
    uint64_t done = 0;
    for (;;) {
        block.sampleCount = static_cast<int32_t>(hostBlock);
        const uint32_t processed = processStream(&block, stream);
        const uint32_t usable = std::min(processed, hostBlock);
        writer.WriteFrames(pointers.data(), usable);
        done += usable;
        progress.Advance(done);
        if (processed < hostBlock)
            break;
    }
    PLUGIN_EXPORT(plugin, CloseStream)(stream);
    writer.Finish();

    std::fprintf(stderr, "effect-host: %s -> %s: %llu frames, %s; %s\n", options.Positional()[0].c_str(),
                 options.Positional()[1].c_str(), static_cast<unsigned long long>(done), inFormat.Describe().c_str(),
                 DescribeSettings(*settings.Get()).c_str());
    if (writer.ClippedSamples())
        std::fprintf(stderr, "effect-host: %llu samples clipped to the %u-bit range\n",
                     static_cast<unsigned long long>(writer.ClippedSamples()), outFormat.bitsPerSample);
    return 0;
}
