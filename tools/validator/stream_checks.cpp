// Checks of the stream exports: formats, deliveries, bad samples, extreme settings, lifecycle
// misuse and many instances.
#include <float.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "tools/shared/worker_thread.h"
#include "tools/validator/campaign.h"
#include "tools/validator/guarded_stream.h"

namespace {

std::string Describe(uint32_t rate, uint16_t channels)
{
    return std::to_string(rate) + " Hz, " + std::to_string(channels) + " ch";
}

bool SameBits(const std::vector<float>& a, const float* b, size_t count)
{
    return a.size() >= count && std::memcmp(a.data(), b, count * sizeof(float)) == 0;
}

// What ProcessStream must return for a request of n samples when the callback returns
// deliveries[i] on its i-th call of this request (asked is what each call asks for).
uint32_t ExpectedResult(int32_t n, const std::vector<uint32_t>& returned)
{
    constexpr int32_t limit = 16384;
    if (n <= limit)
        return returned.at(0);
    size_t call = 0;
    for (int32_t i = 0; i < n / limit; ++i) {
        const uint32_t r = returned.at(call++);  // cppcheck-suppress containerOutOfBounds ; at() checks
        if (r < static_cast<uint32_t>(limit))
            return i * limit + r;
    }
    const int32_t m = n % limit;
    if (m == 0)
        return n;
    const uint32_t r = returned.at(call);
    return r < static_cast<uint32_t>(m) ? (n / limit) * limit + r : n;
}

}  // namespace

void CheckFormats(Campaign& campaign)
{
    const uint32_t rates[] = {0, 1, 8000, 11025, 22050, 44100, 96000, 192000, 384000, 1411200};
    const uint16_t channelCounts[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 32};
    const int32_t length = campaign.Quick() ? 700 : 5000;
    for (uint32_t rate : rates) {
        for (uint16_t channels : channelCounts) {
            const std::string format = Describe(rate, channels);
            {
                GuardedStream stream(campaign.Library(), {}, rate, channels, length);
                stream.Source().signal = Noise(campaign.Random(), channels, length);
                stream.Process(length);
                campaign.Check("formats: finite output, " + format, stream.OutputFinite(length));
                campaign.Check("formats: buffers untouched outside the block, " + format, stream.CanariesIntact());
            }
            const uint16_t k = std::uniform_int_distribution<uint16_t>(0, channels - 1)(campaign.Random());
            GuardedStream stream(campaign.Library(), {}, rate, channels, length);
            stream.Source().signal.assign(channels, std::vector<float>(length, 0.0f));
            stream.Source().signal[k][0] = 1.0f;
            stream.Process(length);
            bool isolated = stream.CanariesIntact();
            bool present = false;
            for (uint16_t c = 0; c < channels; ++c)
                for (int32_t j = 0; j < length; ++j) {
                    if (c == k)
                        present = present || stream.Output(c)[j] != 0.0f;
                    else
                        isolated = isolated && stream.Output(c)[j] == 0.0f;
                }
            campaign.Check("formats: an impulse on channel " + std::to_string(k + 1) + " stays there, " + format,
                           isolated && present);
        }
    }

    // Requests over 16384 samples go through sub-blocks, and hosts with more than 16 channels
    // through a sub-block pointer list of their own: one request against host blocks of 16384.
    for (uint16_t channels : {11, 17, 32})
        for (int32_t count : {16385, 40000, 50000}) {
            const std::string format = std::to_string(count) + " samples in one request, " + Describe(44100, channels);
            const auto signal = Noise(campaign.Random(), channels, count);
            GuardedStream stream(campaign.Library(), {}, 44100, channels, count);
            stream.Source().signal = signal;
            const bool counted = stream.Process(count) == static_cast<uint32_t>(count);
            GuardedStream blocks(campaign.Library(), {}, 44100, channels, 16384);
            blocks.Source().signal = signal;
            bool same = true;
            for (int32_t done = 0; done < count; done += 16384) {
                const int32_t n = std::min(16384, count - done);
                blocks.Process(n);
                for (uint16_t c = 0; c < channels; ++c)
                    same = same && std::memcmp(blocks.Output(c), stream.Output(c) + done, n * sizeof(float)) == 0;
            }
            campaign.Check("formats: buffers untouched outside the block, " + format,
                           counted && stream.CanariesIntact() && blocks.CanariesIntact());
            campaign.Check("formats: every channel as in blocks of 16384, " + format, same);
        }
}

void CheckDeliveries(Campaign& campaign)
{
    const int32_t total = campaign.Quick() ? 70000 : 1200000;
    const auto signal = Noise(campaign.Random(), 2, total);
    const StreamSettings settings{0.8, 1500, 300};
    const auto whole = ProcessWhole(campaign.Library(), settings, 44100, signal);

    for (int32_t size : {1, 137, 4096, 16383, 16384, 16385, 1000000}) {
        // A quick run takes a short stretch of single samples: one call each.
        const int32_t length = campaign.Quick() && size == 1 ? 3000 : total;
        GuardedStream stream(campaign.Library(), settings, 44100, 2, total);
        stream.Source().signal = signal;
        // The stream's buffers are the host's whole recording; each call addresses the next piece.
        bool results = true;
        std::vector<float> out0, out1;
        int32_t done = 0;
        while (done < length) {
            const int32_t count = std::min(size, length - done);
            GuardedStream* s = &stream;
            s->Source().position = done;
            results = results && s->Process(count) == static_cast<uint32_t>(count);
            out0.insert(out0.end(), s->Output(0), s->Output(0) + count);
            out1.insert(out1.end(), s->Output(1), s->Output(1) + count);
            done += count;
        }
        const std::string name = "deliveries: blocks of " + std::to_string(size);
        campaign.Check(name + " return what was delivered", results);
        campaign.Check(name + " give the output of one long block",
                       SameBits(out0, whole[0].data(), length) && SameBits(out1, whole[1].data(), length));
    }

    {
        GuardedStream stream(campaign.Library(), settings, 44100, 2, 16);
        stream.Source().signal = signal;
        stream.Source().deliver = [](uint32_t, size_t) { return 0u; };
        campaign.Check("deliveries: a callback that delivers nothing gives 0", stream.Process(16) == 0);
        stream.Source().deliver = nullptr;
        campaign.Check("deliveries: the next call starts again with the callback", stream.Process(16) == 16);
    }

    {
        // One stream that goes on after short deliveries, one of them forced in the middle of the
        // stream and of a request: a short delivery ends only its request, after the sub-block it happened in was filtered
        // in full, so everything the callback was asked for, one request after the other, is one
        // continuous stream.
        const int requests = campaign.Quick() ? 10 : 100;
        const int32_t most = 40000;
        const auto longSignal = Noise(campaign.Random(), 2, static_cast<size_t>(requests) * most);
        GuardedStream stream(campaign.Library(), settings, 44100, 2, most);
        stream.Source().signal = longSignal;
        auto& random = campaign.Random();
        std::vector<uint32_t> returned;
        int request = 0;
        stream.Source().deliver = [&](uint32_t asked, size_t) {
            uint32_t r = asked;
            if (request == requests / 2)
                r = returned.size() == 1 ? asked / 2 : asked;
            else if (asked && std::uniform_int_distribution<int>(0, 3)(random) == 0)
                r = std::uniform_int_distribution<uint32_t>(0, asked - 1)(random);
            returned.push_back(r);
            return r;
        };
        bool rulesHeld = true;
        std::string firstFailure;
        std::vector<std::vector<float>> output(2);
        for (; request < requests; ++request) {
            // The middle request ends in its second sub-block.
            const int32_t n = request == requests / 2 ? most : std::uniform_int_distribution<int32_t>(1, most)(random);
            returned.clear();
            const size_t from = stream.Source().position;
            const uint32_t result = stream.Process(n);
            if (result != ExpectedResult(n, returned) && rulesHeld) {
                rulesHeld = false;
                firstFailure = "request " + std::to_string(request) + " of " + std::to_string(n) + " returned " +
                               std::to_string(result);
            }
            const size_t filtered = stream.Source().position - from;
            for (int c = 0; c < 2; ++c)
                output[c].insert(output[c].end(), stream.Output(c), stream.Output(c) + filtered);
        }
        std::vector<std::vector<float>> asked(2);
        for (int c = 0; c < 2; ++c)
            asked[c].assign(longSignal[c].begin(), longSignal[c].begin() + output[c].size());
        const auto reference = ProcessWhole(campaign.Library(), settings, 44100, asked);
        campaign.Check("deliveries: a stream going on after short deliveries follows the result rules", rulesHeld,
                       firstFailure);
        campaign.Check("deliveries: a stream going on after short deliveries gives the output of one long block",
                       reference == output, std::to_string(output[0].size()) + " samples asked for");
    }

    const int rounds = campaign.Quick() ? 30 : 300;
    bool rulesHeld = true, identical = true;
    std::string firstFailure;
    for (int round = 0; round < rounds && rulesHeld && identical; ++round) {
        const int32_t n = std::uniform_int_distribution<int32_t>(0, 60000)(campaign.Random());
        GuardedStream stream(campaign.Library(), settings, 44100, 2, std::max(n, 1));
        std::vector<std::vector<float>> part(2);
        part[0].assign(signal[0].begin(), signal[0].begin() + std::min(n, total));
        part[1].assign(signal[1].begin(), signal[1].begin() + std::min(n, total));
        part[0].resize(n, 0.0f);
        part[1].resize(n, 0.0f);
        stream.Source().signal = part;
        std::vector<uint32_t> returned;
        auto& random = campaign.Random();
        stream.Source().deliver = [&](uint32_t asked, size_t) {
            const int kind = std::uniform_int_distribution<int>(0, 5)(random);
            uint32_t r = asked;
            if (kind == 0)
                r = asked ? std::uniform_int_distribution<uint32_t>(0, asked - 1)(random) : 0;
            else if (kind == 1)
                r = asked + std::uniform_int_distribution<uint32_t>(1, 100000)(random);
            returned.push_back(r);
            return r;
        };
        const uint32_t result = stream.Process(n);
        if (result != ExpectedResult(n, returned)) {
            rulesHeld = false;
            firstFailure = "request of " + std::to_string(n) + " returned " + std::to_string(result);
        }
        // Every sub-block asked for was filtered in full, in order: the same as one long block.
        const size_t filtered = stream.Source().position;
        const auto reference = ProcessWhole(campaign.Library(), settings, 44100, part);
        identical = SameBits(reference[0], stream.Output(0), filtered) && SameBits(reference[1], stream.Output(1), filtered);
    }
    campaign.Check("deliveries: random requests and short deliveries follow the result rules", rulesHeld, firstFailure);
    campaign.Check("deliveries: random cuts give the output of one long block", identical);
}

void CheckBadSamples(Campaign& campaign)
{
    const float bad[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f};
    const char* names[] = {"NaN", "+Inf", "-Inf", "1e30", "-1e30"};
    for (size_t b = 0; b < 5; ++b) {
        for (uint32_t rate : {44100u, 384000u}) {
            GuardedStream stream(campaign.Library(), {}, rate, 3, 4096);
            auto signal = Noise(campaign.Random(), 3, 4 * 4096);
            const int at = std::uniform_int_distribution<int>(0, 4095)(campaign.Random());
            signal[1][at] = bad[b];
            stream.Source().signal = signal;
            stream.Process(4096);
            bool laterFinite = true;
            for (int block = 1; block < 4; ++block) {
                stream.Process(4096);
                laterFinite = laterFinite && stream.OutputFinite(4096);
            }
            campaign.Check(std::string("bad samples: output is finite from the block after ") + names[b] + ", " +
                               std::to_string(rate) + " Hz",
                           laterFinite);
        }
    }
}

void CheckExtremeSettings(Campaign& campaign)
{
    const uint32_t rate = 44100;
    const uint32_t centres[] = {0, 1, rate / 2 - 1, rate / 2, rate / 2 + 1, rate, 4294967295u};
    const uint32_t bandwidths[] = {0, 1, 18375, 18376, 1000000, 2147483648u, 4294967295u};
    for (uint32_t centre : centres)
        for (uint32_t bandwidth : bandwidths) {
            GuardedStream stream(campaign.Library(), {1.0, centre, bandwidth}, rate, 2, 4096);
            stream.Source().signal = Noise(campaign.Random(), 2, 8 * 4096);
            bool finite = true;
            for (int block = 0; block < 8; ++block) {
                stream.Process(4096);
                finite = finite && stream.OutputFinite(4096);
            }
            campaign.Check("extreme settings: finite output, centre " + std::to_string(centre) + " Hz, bandwidth " +
                               std::to_string(bandwidth) + " Hz",
                           finite && stream.CanariesIntact());
        }
    // The gain is the last step: each filtered sample times the level, rounded to float. A
    // product rounds to a finite float below FLT_MAX plus half its last step; past that it is
    // infinite, and a level that is not a number gives no number.
    const double overflow = std::ldexp(2.0 - std::ldexp(1.0, -24), 127);
    const double levels[] = {0.0, 1e-300, 1e30, -1e30, FLT_MAX, 1e39, static_cast<double>(NAN),
                             static_cast<double>(INFINITY), -1.0};
    for (double level : levels) {
        const auto input = Noise(campaign.Random(), 1, 4096);
        const auto filtered = ProcessWhole(campaign.Library(), {1.0, 1000, 400}, rate, input)[0];
        GuardedStream stream(campaign.Library(), {level, 1000, 400}, rate, 1, 4096);
        stream.Source().signal = input;
        stream.Process(4096);
        int expectedFinite = 0, mismatches = 0;
        for (int j = 0; j < 4096; ++j) {
            const bool fits = std::fabs(static_cast<double>(filtered[j]) * level) < overflow;
            expectedFinite += fits;
            mismatches += std::isfinite(stream.Output(0)[j]) != fits;
        }
        char name[96];
        std::snprintf(name, sizeof name, "extreme settings: level %g gives finite output exactly where it fits a float",
                      level);
        campaign.Check(name, mismatches == 0 && stream.CanariesIntact(),
                       std::to_string(expectedFinite) + " of 4096 samples fit, " + std::to_string(mismatches) +
                           " differ");
    }
}

void CheckLifecycle(Campaign& campaign)
{
    const PluginLibrary& plugin = campaign.Library();
    WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 44100 * 8, 8, 32, 0};
    EffectSettings host{1.0, 1.0, 1000, 400, nullptr, nullptr, nullptr, 0};

    SampleSource source;
    source.signal = Noise(campaign.Random(), 2, 4096);
    std::vector<float> left(4096, 0.5f), right(4096, 0.5f);
    float* pointers[2] = {left.data(), right.data()};
    SampleBlock block{0, pointers, pointers + 2, pointers + 2, 4096, 777, 0};
    const auto context = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&source));

    EffectSettings* record = nullptr;
    plugin.CopySettings(&record, &host);
    campaign.Check("lifecycle: process before any callback returns 0",
                   plugin.ProcessStream(&block, record) == 0 && block.processedCount == 777 && left[0] == 0.5f);
    plugin.SetStreamCallBack(SampleSource::Supply, context, record);
    campaign.Check("lifecycle: process before open returns 0 and touches nothing",
                   plugin.ProcessStream(&block, record) == 0 && block.processedCount == 777 && left[0] == 0.5f &&
                       source.calls == 0);
    plugin.OpenStream(record, &format);
    plugin.OpenStream(record, &format);
    campaign.Check("lifecycle: open twice leaves one working stream", record->headNode && plugin.ProcessStream(&block, record) == 4096);
    // cppcheck-suppress duplicateExpression ; two calls, the second on a closed stream
    campaign.Check("lifecycle: close twice returns 1 both times", plugin.CloseStream(record) == 1 && plugin.CloseStream(record) == 1);
    campaign.Check("lifecycle: process after close returns 0", plugin.ProcessStream(&block, record) == 0);
    plugin.OpenStream(record, &format);
    plugin.Free(record);

    // A fresh record of the host's settings with a stream open on it.
    auto openRecord = [&](const WAVEFORMATEX& streamFormat) {
        EffectSettings* stream = nullptr;
        plugin.CopySettings(&stream, &host);
        plugin.SetStreamCallBack(SampleSource::Supply, context, stream);
        plugin.OpenStream(stream, &streamFormat);
        return stream;
    };
    // Free must release an open stream's chain and filter history along with the record.
    auto freeOpen = [&](int count) {
        for (int i = 0; i < count; ++i) {
            WAVEFORMATEX wide = format;
            wide.nChannels = static_cast<WORD>(1 + i % 12);
            wide.nBlockAlign = static_cast<WORD>(4 * wide.nChannels);
            wide.nAvgBytesPerSec = wide.nSamplesPerSec * wide.nBlockAlign;
            EffectSettings* stream = openRecord(wide);
            if (i % 2 == 0) {
                source.position = 0;
                plugin.ProcessStream(&block, stream);
            }
            plugin.Free(stream);
        }
    };
    // Enough to fill the allocator's caches first, among them the 1024 frees that Wine's heap
    // checking holds back.
    campaign.CheckNoGrowth("lifecycle: 1000 records freed while open leave no growth", 400, 1000, freeOpen);

    auto cycle = [&](int count) {
        for (int i = 0; i < count; ++i) {
            EffectSettings* stream = openRecord(format);
            if (i % 3 == 0)
                plugin.OpenStream(stream, &format);
            source.position = 0;
            plugin.ProcessStream(&block, stream);
            if (i % 2 == 0)
                plugin.CloseStream(stream);
            plugin.Free(stream);
        }
    };
    campaign.CheckNoGrowth("lifecycle: 1000 open/process/close cycles leave no growth", 50, 1000, cycle);
}

void CheckInstances(Campaign& campaign)
{
    const int32_t length = campaign.Quick() ? 20000 : 100000;
    for (int count : {2, 33}) {
        std::vector<StreamSettings> settings;
        std::vector<std::vector<std::vector<float>>> signals;
        for (int i = 0; i < count; ++i) {
            settings.push_back({0.1 + 0.02 * i, static_cast<uint32_t>(200 + 97 * i), static_cast<uint32_t>(50 + 31 * i)});
            signals.push_back(Noise(campaign.Random(), 2, length));
        }
        std::vector<std::unique_ptr<GuardedStream>> streams;
        for (int i = 0; i < count; ++i) {
            streams.emplace_back(new GuardedStream(campaign.Library(), settings[i], 44100, 2, length));
            streams.back()->Source().signal = signals[i];
        }
        std::vector<std::vector<float>> outputs(count);
        std::uniform_int_distribution<int32_t> sizes(1, 5000);
        std::vector<int32_t> done(count, 0);
        for (bool any = true; any;) {
            any = false;
            for (int i = 0; i < count; ++i) {
                if (done[i] >= length)
                    continue;
                any = true;
                const int32_t n = std::min(sizes(campaign.Random()), length - done[i]);
                streams[i]->Process(n);
                outputs[i].insert(outputs[i].end(), streams[i]->Output(0), streams[i]->Output(0) + n);
                done[i] += n;
            }
        }
        bool identical = true;
        for (int i = 0; i < count; ++i)
            identical = identical && outputs[i] == ProcessWhole(campaign.Library(), settings[i], 44100, signals[i])[0];
        campaign.Check("instances: " + std::to_string(count) + " interleaved streams each match their solo run", identical);

        std::vector<std::vector<std::vector<float>>> threaded(count);
        std::vector<WorkerThread> threads;
        threads.reserve(count);
        for (int i = 0; i < count; ++i)
            threads.emplace_back([&, i] { threaded[i] = ProcessWhole(campaign.Library(), settings[i], 44100, signals[i]); });
        for (auto& thread : threads)
            thread.Join();
        bool threadsIdentical = true;
        for (int i = 0; i < count; ++i)
            threadsIdentical = threadsIdentical && threaded[i][0] == outputs[i];
        campaign.Check("instances: " + std::to_string(count) + " streams on their own threads match their solo run",
                       threadsIdentical);
    }
}
