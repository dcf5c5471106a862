#include "tools/validator/guarded_stream.h"

#include <cmath>
#include <cstring>
#include <random>
#include <utility>

namespace {
constexpr uint32_t kCanaryBits = 0x7FBADBADu;  // a NaN payload no arithmetic produces

float Canary()
{
    float value;
    std::memcpy(&value, &kCanaryBits, sizeof value);
    return value;
}

bool IsCanary(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == kCanaryBits;
}
}  // namespace

uint32_t __cdecl SampleSource::Supply(uint32_t context, SampleBlock* block)
{
    auto* self = reinterpret_cast<SampleSource*>(static_cast<uintptr_t>(context));
    if (self->failure)
        return 0;
    try {
        const uint32_t asked = block->sampleCount > 0 ? static_cast<uint32_t>(block->sampleCount) : 0;
        const int channels = ChannelsIn(*block);
        for (int k = 0; k < channels; ++k) {
            const auto& signal = self->signal[k];
            for (uint32_t j = 0; j < asked; ++j) {
                const size_t at = self->position + j;
                block->channelsBegin[k][j] = at < signal.size() ? signal[at] : 0.0f;
            }
        }
        self->position += asked;
        if (self->inside)
            self->inside();
        const size_t call = self->calls++;
        return self->deliver ? self->deliver(asked, call) : asked;
    } catch (...) {
        self->failure = std::current_exception();
        return 0;
    }
}

void SampleSource::ThrowIfFailed()
{
    if (failure)
        std::rethrow_exception(std::exchange(failure, nullptr));
}

GuardedStream::GuardedStream(const PluginLibrary& plugin, const StreamSettings& settings, uint32_t sampleRate,
                             uint16_t channels, size_t capacity)
    : plugin_(plugin), record_(plugin), capacity_(capacity)
{
    EffectSettings host{};
    host.dryOut = host.volume2 = settings.level;
    host.cutOffFreq = settings.centre;
    host.bandWidth = settings.bandwidth;
    if (!plugin.CopySettings(record_.Receive(), &host) || !record_)
        throw HostError("CopySettings failed");
    plugin.SetStreamCallBack(SampleSource::Supply,
                                              static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&source_)), record_.Get());
    WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, channels, sampleRate, sampleRate * 4u * channels,
                        static_cast<WORD>(4 * channels), 32, 0};
    plugin.OpenStream(record_.Get(), &format);
    buffers_.assign(channels, std::vector<float>(capacity + 2 * kGuard, Canary()));
    for (auto& buffer : buffers_)
        pointers_.push_back(&buffer[kGuard]);
}

uint32_t GuardedStream::Process(int32_t count)
{
    SampleBlock block{0, pointers_.data(), pointers_.data() + pointers_.size(), pointers_.data() + pointers_.size(),
                      count, 0, 0};
    const uint32_t result = plugin_.ProcessStream(&block, record_.Get());
    source_.ThrowIfFailed();
    return result;
}

bool GuardedStream::CanariesIntact() const
{
    for (const auto& buffer : buffers_)
        for (int g = 0; g < kGuard; ++g)
            if (!IsCanary(buffer[g]) || !IsCanary(buffer[kGuard + capacity_ + g]))
                return false;
    return true;
}

bool GuardedStream::OutputFinite(int32_t count) const
{
    for (const auto& buffer : buffers_)
        for (int32_t j = 0; j < count; ++j)
            if (!std::isfinite(buffer[kGuard + j]))
                return false;
    return true;
}

std::vector<std::vector<float>> Noise(std::mt19937& random, uint16_t channels, size_t length)
{
    std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
    std::vector<std::vector<float>> signal(channels, std::vector<float>(length));
    for (auto& channel : signal)
        for (float& sample : channel)
            sample = amplitude(random);
    return signal;
}

std::vector<std::vector<float>> ProcessWhole(const PluginLibrary& plugin, const StreamSettings& settings, uint32_t sampleRate,
                                             const std::vector<std::vector<float>>& signal)
{
    const uint16_t channels = static_cast<uint16_t>(signal.size());
    const size_t length = signal.empty() ? 0 : signal[0].size();
    GuardedStream stream(plugin, settings, sampleRate, channels, length);
    stream.Source().signal = signal;
    stream.Process(static_cast<int32_t>(length));
    std::vector<std::vector<float>> output(channels);
    for (uint16_t k = 0; k < channels; ++k)
        output[k].assign(stream.Output(k), stream.Output(k) + length);
    return output;
}
