#include "tools/effect-host/process_file.h"

#include <algorithm>
#include <memory>

namespace {
WAVEFORMATEX StreamFormat(const WavFormat& format)
{
    WAVEFORMATEX header{};
    header.wFormatTag = format.encoding == SampleEncoding::Float ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
    header.nChannels = format.channels;
    header.nSamplesPerSec = format.sampleRate;
    header.wBitsPerSample = format.bitsPerSample;
    header.nBlockAlign = static_cast<WORD>(format.BytesPerFrame());
    header.nAvgBytesPerSec = format.sampleRate * header.nBlockAlign;
    return header;
}

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

// The stages that run at the file's rate, with a note for each harmonic left out.
std::vector<size_t> StagesToRun(const StreamChain& chain, uint32_t sampleRate, std::vector<std::string>& notes)
{
    std::vector<size_t> stages = chain.StagesFor(sampleRate);
    for (size_t k = 0, next = 0; k < chain.Size(); ++k) {
        if (next < stages.size() && stages[next] == k) {
            ++next;
            continue;
        }
        notes.push_back("the hum's harmonic at " + std::to_string(chain.Settings(k).cutOffFreq) +
                        " Hz is at or above half the sample rate and left out");
    }
    if (stages.empty())
        throw HostError("no stage left to run: every frequency of --hum is at or above half the sample rate (" +
                        std::to_string(sampleRate) + " Hz)");
    return stages;
}
}  // namespace

const char* ContainerName(WavContainer container)
{
    const char* names[] = {"WAV", "RF64", "BW64", "Wave64"};
    return names[static_cast<int>(container)];
}

ProcessResult ProcessFile(const StreamChain& chain, const ProcessRequest& request, const ProgressReport& progress,
                          const InputReading& readInput)
{
    WavReader reader(request.input);
    ProcessResult result;
    result.inputFormat = reader.Format();
    result.outputFormat = OutputFormat(reader.Format(), request.sameFormat);
    if (!reader.Warning().empty())
        result.warnings.push_back(reader.Warning());
    result.stages = StagesToRun(chain, result.inputFormat.sampleRate, result.notes);

    WavLayout layout;
    layout.format = result.outputFormat;
    layout.container = request.sameFormat ? reader.Container() : WavContainer::Riff;
    layout.frames = reader.FrameCount();
    layout.chunkSource = request.input;
    layout.chunks = reader.KeptChunks();

    std::vector<std::unique_ptr<float[]>> buffers;
    std::vector<float*> pointers;
    for (uint16_t k = 0; k < result.inputFormat.channels; ++k) {
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
    FrameSource source = [&reader, &readInput](float* const* channels, uint32_t frames) {
        return readInput ? readInput(reader, channels, frames) : reader.ReadFrames(channels, frames);
    };
    {
        ChainRun run(chain, result.stages, StreamFormat(result.inputFormat), source);
        for (;;) {
            block.sampleCount = static_cast<int32_t>(request.hostBlock);
            const uint32_t processed = run.Process(block);
            const uint32_t usable = std::min(processed, request.hostBlock);
            writer.WriteFrames(pointers.data(), usable);
            result.frames += usable;
            if (progress)
                progress(result.frames, layout.frames, result.inputFormat.sampleRate);
            if (processed < request.hostBlock)
                break;
        }
        // A plug-in that fails inside returns a short count, as at the end of the input.
        if (!run.InputEnded() || run.FramesRead() != result.frames)
            throw HostError("the plug-in stopped after " + std::to_string(result.frames) + " of " +
                            std::to_string(layout.frames) + " frames");
    }
    reader.Close();
    writer.Finish();
    result.clipped = writer.ClippedSamples();
    return result;
}
