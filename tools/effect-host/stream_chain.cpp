#include "tools/effect-host/stream_chain.h"

#include <algorithm>
#include <cstring>
#include <exception>

StreamChain::StreamChain(const PluginLibrary& plugin, const std::vector<ChainStage>& stages) : plugin_(plugin)
{
    const auto copy = plugin.CopySettings;
    for (const ChainStage& stage : stages) {
        EffectSettings* record = nullptr;
        if (!copy(&record, stage.settings.Get()) || !record)
            throw HostError("the plug-in could not allocate a stream record");
        records_.emplace_back(plugin, record);
        humHarmonic_.push_back(stage.humHarmonic);
    }
}

std::vector<size_t> StreamChain::StagesFor(uint32_t sampleRate) const
{
    std::vector<size_t> stages;
    for (size_t k = 0; k < records_.size(); ++k)
        if (!humHarmonic_[k] || 2ULL * records_[k]->cutOffFreq < sampleRate)
            stages.push_back(k);
    return stages;
}

ChainRun::ChainRun(const StreamChain& chain, const std::vector<size_t>& stages, const WAVEFORMATEX& format,
                   FrameSource source)
    : processStream_(chain.plugin_.ProcessStream),
      closeStream_(chain.plugin_.CloseStream),
      source_(std::move(source))
{
    const auto setCallBack = chain.plugin_.SetStreamCallBack;
    const auto openStream = chain.plugin_.OpenStream;
    links_.reserve(stages.size());
    try {
        for (size_t position = 0; position < stages.size(); ++position) {
            EffectSettings* record = chain.records_[stages[position]].Get();
            links_.push_back({this, position});
            setCallBack(position == 0 ? PullFromInput : PullFromStage,
                        static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&links_.back())), record);
            openStream(record, &format);
            if (!record->headNode)
                throw HostError("the plug-in could not open the stream");
            open_.push_back(record);
        }
    } catch (...) {
        for (EffectSettings* record : open_)
            closeStream_(record);
        throw;
    }
}

ChainRun::~ChainRun()
{
    for (EffectSettings* record : open_)
        closeStream_(record);
}

uint32_t ChainRun::Process(SampleBlock& block)
{
    const uint32_t processed = processStream_(&block, open_.back());
    if (failed_)
        throw HostError(failure_);
    return processed;
}

void ChainRun::Fail(const char* what) noexcept
{
    failed_ = true;
    const size_t length = std::min(std::strlen(what), sizeof failure_ - 1);
    std::memcpy(failure_, what, length);
    failure_[length] = '\0';
}

// What the source or the stage before delivered; the rest of the block is silence, as a stage
// reading a file would get it. After a failure nothing more is fetched.
template <typename Fetch>
uint32_t ChainRun::Deliver(SampleBlock& block, Fetch fetch) noexcept
{
    const uint32_t asked = block.sampleCount > 0 ? static_cast<uint32_t>(block.sampleCount) : 0;
    uint32_t delivered = 0;
    if (!failed_) {
        try {
            delivered = std::min(fetch(asked), asked);
        } catch (const std::exception& error) {
            Fail(error.what());
        } catch (...) {
            Fail("an unknown failure while reading the input");
        }
    }
    for (int k = 0; k < ChannelsIn(block); ++k)
        std::fill(block.channelsBegin[k] + delivered, block.channelsBegin[k] + asked, 0.0f);
    return delivered;
}

uint32_t __cdecl ChainRun::PullFromInput(uint32_t context, SampleBlock* block)
{
    ChainRun& run = *reinterpret_cast<Link*>(static_cast<uintptr_t>(context))->run;
    return run.Deliver(*block, [&run, block](uint32_t asked) {
        const uint32_t read = run.source_(block->channelsBegin, asked);
        run.framesRead_ += read;
        run.inputEnded_ = run.inputEnded_ || read < asked;
        return read;
    });
}

uint32_t __cdecl ChainRun::PullFromStage(uint32_t context, SampleBlock* block)
{
    const Link& link = *reinterpret_cast<Link*>(static_cast<uintptr_t>(context));
    ChainRun& run = *link.run;
    return run.Deliver(*block, [&run, &link, block](uint32_t) {
        return run.processStream_(block, run.open_[link.position - 1]);
    });
}
