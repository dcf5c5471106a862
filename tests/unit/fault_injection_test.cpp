// Out of memory at each allocation in turn, through the stream and settings exports linked in:
// for k = 1, 2, ... the k-th allocation of a run fails, until a run no longer reaches a k-th.
// No exception may leave an export, each reports its failure result, and a run leaves as many
// blocks allocated as it found. Allocations are those of operator new and of malloc, which
// the program wraps at link time (-Wl,--wrap=malloc,--wrap=free) for the records.
#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "host/plugin_api.h"
#include "xml/xml_node.h"

extern "C" void* __real_malloc(size_t size);  // NOLINT(bugprone-reserved-identifier): the linker's --wrap name
extern "C" void __real_free(void* memory);  // NOLINT(bugprone-reserved-identifier): the linker's --wrap name

namespace {
// Every operator new and malloc of the program. While failAt is set, the failAt-th allocation counted
// from arming fails, once; live counts the blocks handed out and not yet released.
struct Allocations {
    long live = 0;
    long counted = 0;
    long failAt = 0;
    bool fired = false;
};
Allocations allocations;

bool Fails()
{
    if (allocations.failAt == 0 || ++allocations.counted != allocations.failAt)
        return false;
    allocations.fired = true;
    return true;
}

void* Allocate(size_t size) noexcept
{
    if (Fails())
        return nullptr;
    void* memory = __real_malloc(size ? size : 1);
    if (memory)
        ++allocations.live;
    return memory;
}

void* AllocateAligned(size_t size, std::align_val_t alignment) noexcept
{
    if (Fails())
        return nullptr;
    void* memory = _aligned_malloc(size ? size : 1, static_cast<size_t>(alignment));
    if (memory)
        ++allocations.live;
    return memory;
}

void Release(void* memory) noexcept
{
    if (!memory)
        return;
    --allocations.live;
    __real_free(memory);
}

void ReleaseAligned(void* memory) noexcept
{
    if (!memory)
        return;
    --allocations.live;
    _aligned_free(memory);
}

void* Checked(void* memory)
{
    if (!memory)
        throw std::bad_alloc();
    return memory;
}
}  // namespace

extern "C" void* __wrap_malloc(size_t size) { return Allocate(size); }  // NOLINT(bugprone-reserved-identifier): the linker's --wrap name
extern "C" void __wrap_free(void* memory) { Release(memory); }  // NOLINT(bugprone-reserved-identifier): the linker's --wrap name

void* operator new(size_t size) { return Checked(Allocate(size)); }
void* operator new[](size_t size) { return Checked(Allocate(size)); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(size_t size, std::align_val_t alignment) { return Checked(AllocateAligned(size, alignment)); }
void* operator new[](size_t size, std::align_val_t alignment) { return Checked(AllocateAligned(size, alignment)); }
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return AllocateAligned(size, alignment);
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return AllocateAligned(size, alignment);
}
void operator delete(void* memory) noexcept { Release(memory); }
void operator delete[](void* memory) noexcept { Release(memory); }
void operator delete(void* memory, size_t) noexcept { Release(memory); }
void operator delete[](void* memory, size_t) noexcept { Release(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { Release(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { Release(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { ReleaseAligned(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { ReleaseAligned(memory); }
void operator delete(void* memory, size_t, std::align_val_t) noexcept { ReleaseAligned(memory); }
void operator delete[](void* memory, size_t, std::align_val_t) noexcept { ReleaseAligned(memory); }
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept { ReleaseAligned(memory); }
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept { ReleaseAligned(memory); }

namespace {

constexpr long kMostAllocations = 1000;

// Arms the fault at the k-th allocation for the scope of one run.
class FaultAt {
public:
    explicit FaultAt(long k)
    {
        allocations.counted = 0;
        allocations.fired = false;
        allocations.failAt = k;
    }
    ~FaultAt() { allocations.failAt = 0; }
    FaultAt(const FaultAt&) = delete;
    FaultAt& operator=(const FaultAt&) = delete;
};

// Whether the armed fault fired inside call.
template <typename Call>
bool Faulted(Call&& call)
{
    const bool before = allocations.fired;
    call();
    return allocations.fired && !before;
}

// The unwinder sorts its tables with malloc when the program's first exception passes, and
// keeps them: that first exception is thrown here, not inside a counted run.
void PrepareTheUnwinder()
{
    try {
        throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
    }
}

// Runs run(outcome) unarmed once (one-time allocations, such as caches made on first use, are
// made then), then with each allocation failing in turn; check(outcome, unarmed) judges every
// armed run after the fault is disarmed, so no assertion allocates inside a run.
template <typename Outcome, typename Run, typename Check>
void WithEachAllocationFailing(Run&& run, Check&& check)
{
    PrepareTheUnwinder();
    Outcome unarmed{};
    run(unarmed);
    for (long k = 1; k <= kMostAllocations; ++k) {
        SCOPED_TRACE(testing::Message() << "allocation " << k << " fails");
        Outcome outcome{};
        const long before = allocations.live;
        bool escaped = false;
        bool fired;
        {
            const FaultAt fault(k);
            try {
                run(outcome);
            } catch (...) {
                escaped = true;
            }
            fired = allocations.fired;
        }
        const long after = allocations.live;
        EXPECT_FALSE(escaped) << "an exception left an export";
        EXPECT_EQ(before, after) << "blocks left allocated";
        check(outcome, unarmed);
        if (!fired)
            return;
    }
    FAIL() << "still allocating after " << kMostAllocations << " allocations";
}

// More channels than ProcessStream points to from the stack, and more samples than one call
// of the callback: ProcessStream allocates too.
constexpr uint16_t kChannels = 20;
constexpr int32_t kSamples = 20000;
constexpr float kSentinel = -12345.0f;

struct Input {
    std::vector<float> samples = std::vector<float>(kSamples);
    Input()
    {
        for (int32_t j = 0; j < kSamples; ++j)
            samples[j] = static_cast<float>((j * 37) % 101 - 50) / 50.0f;
    }
    static uint32_t __cdecl Supply(uint32_t context, SampleBlock* block)
    {
        const auto* self = reinterpret_cast<const Input*>(static_cast<uintptr_t>(context));
        for (float** channel = block->channelsBegin; channel != block->channelsEnd; ++channel)
            std::memcpy(*channel, self->samples.data(), block->sampleCount * sizeof(float));
        return static_cast<uint32_t>(block->sampleCount);
    }
};

struct OpenOutcome {
    uint32_t result = 0xdeadbeef;
    bool faulted = false;
    bool head = false;
    bool filter = false;
};

struct StreamOutcome {
    uint32_t copied = 0xdeadbeef;
    bool copyFaulted = false;
    bool copyNull = false;
    OpenOutcome opens[2];
    uint32_t processed = 0xdeadbeef;
    bool processFaulted = false;
    uint32_t closed = 0xdeadbeef;
    // Made with the outcome, before its run: a run allocates only inside the exports.
    std::vector<std::vector<float>> buffers =
        std::vector<std::vector<float>>(kChannels, std::vector<float>(kSamples, kSentinel));
    std::vector<float*> pointers = PointersTo(buffers);

    static std::vector<float*> PointersTo(std::vector<std::vector<float>>& buffers)
    {
        std::vector<float*> pointers;
        pointers.reserve(buffers.size());
        for (auto& buffer : buffers)
            pointers.push_back(buffer.data());
        return pointers;
    }
};

TEST(FaultInjection, StreamExportsReportEachFailedAllocationAndLeakNothing)
{
    const Input input;
    EffectSettings host{};
    host.dryOut = 0.5;
    host.cutOffFreq = 1000;
    host.bandWidth = 400;
    const WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, kChannels, 44100, 44100u * 4 * kChannels,
                              static_cast<WORD>(4 * kChannels), 32, 0};

    auto run = [&](StreamOutcome& o) {
        float** channels = o.pointers.data();
        SampleBlock block{0, channels, channels + kChannels, channels + kChannels, kSamples, 0, 0};

        EffectSettings* stream = nullptr;
        o.copyFaulted = Faulted([&] { o.copied = CopySettings(&stream, &host); });
        o.copyNull = stream == nullptr;
        if (!stream)
            return;
        SetStreamCallBack(Input::Supply, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&input)), stream);
        // Opened twice: the second open replaces the first chain.
        for (OpenOutcome& open : o.opens) {
            open.faulted = Faulted([&] { open.result = OpenStream(stream, &format); });
            open.head = stream->headNode != nullptr;
            open.filter = stream->filterNode != nullptr;
        }
        o.processFaulted = Faulted([&] { o.processed = ProcessStream(&block, stream); });
        o.closed = CloseStream(stream);
        Free(stream);
    };
    auto check = [&](const StreamOutcome& o, const StreamOutcome& unarmed) {
        EXPECT_EQ(o.copyFaulted ? 0u : 1u, o.copied);
        EXPECT_EQ(o.copyFaulted, o.copyNull);
        if (o.copyNull)
            return;
        for (const OpenOutcome& open : o.opens) {
            EXPECT_EQ(0u, open.result);
            EXPECT_EQ(!open.faulted, open.head) << "a failed open leaves no nodes, any other open both";
            EXPECT_EQ(open.head, open.filter);
        }
        const bool streaming = o.opens[1].head && !o.processFaulted;
        EXPECT_EQ(streaming ? static_cast<uint32_t>(kSamples) : 0u, o.processed);
        for (uint16_t k = 0; k < kChannels; ++k) {
            SCOPED_TRACE(testing::Message() << "channel " << k);
            if (streaming)
                ASSERT_TRUE(unarmed.buffers[k] == o.buffers[k]) << "filtered otherwise than without a fault";
            else
                ASSERT_TRUE(std::vector<float>(kSamples, kSentinel) == o.buffers[k]) << "a failed stream wrote samples";
        }
        EXPECT_EQ(1u, o.closed);
    };
    WithEachAllocationFailing<StreamOutcome>(run, check);
}

TEST(FaultInjection, OpeningTwiceThenClosingLeavesNoNodeAllocated)
{
    EffectSettings host{};
    host.cutOffFreq = 1000;
    host.bandWidth = 400;
    EffectSettings* stream = nullptr;
    ASSERT_EQ(1u, CopySettings(&stream, &host));
    const WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, kChannels, 44100, 44100u * 4 * kChannels,
                              static_cast<WORD>(4 * kChannels), 32, 0};
    const long closedStream = allocations.live;
    OpenStream(stream, &format);
    const long oneChain = allocations.live - closedStream;
    ASSERT_GT(oneChain, 0);
    OpenStream(stream, &format);
    EXPECT_EQ(oneChain, allocations.live - closedStream) << "the first chain is released by the second open";
    CloseStream(stream);
    EXPECT_EQ(closedStream, allocations.live);
    Free(stream);
}

const char kScratchKey[] = "Software\\BandRejectTests\\FaultInjection";
const char kSection[] = "FaultInjection";

struct Loaded {
    uint32_t result = 0xdeadbeef;
    bool faulted = false;
    bool present = false;
    EffectSettings record{};
};

struct Saved {
    uint32_t result = 0xdeadbeef;
    bool faulted = false;
    bool attempted = false;
};

struct SettingsOutcome {
    Loaded loads[4];
    Saved saves[3];
};

// One load; the record's bytes are kept and the record freed.
template <typename Load>
Loaded LoadWith(Load&& load)
{
    Loaded loaded;
    EffectSettings* record = reinterpret_cast<EffectSettings*>(0xbd);
    loaded.faulted = Faulted([&] { loaded.result = load(&record); });
    loaded.present = record != nullptr;
    if (record) {  // cppcheck-suppress knownConditionTrueFalse ; the load sets it through the lambda
        std::memcpy(&loaded.record, record, sizeof loaded.record);
        Free(record);
    }
    return loaded;
}

TEST(FaultInjection, SettingsExportsReportEachFailedAllocationAndLeakNothing)
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string ini = std::string(folder) + "fault_injection.ini";
    DeleteFileA(ini.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    XmlTree node(new XmlNode);

    // Stored values unlike the defaults, so that a load falling back to them shows.
    EffectSettings stored{};
    stored.dryOut = 0.5;
    stored.volume2 = 0.25;
    stored.cutOffFreq = 2500;
    stored.bandWidth = 300;
    ASSERT_EQ(1u, SavePreset(ini.c_str(), kSection, nullptr, &stored));
    ASSERT_EQ(1u, SavePreset(nullptr, kScratchKey, HKEY_CURRENT_USER, &stored));
    ASSERT_EQ(1u, SavePresetXml(node.get(), &stored));

    // Each load is saved back to its store: the stored values stay the same from run to run.
    auto run = [&](SettingsOutcome& o) {
        auto saveBack = [](Saved& saved, const Loaded& loaded, auto&& save) {
            saved.attempted = loaded.present;
            if (loaded.present)
                saved.faulted = Faulted([&] { saved.result = save(&loaded.record); });
        };
        o.loads[0] = LoadWith([&](EffectSettings** out) { return Initialize(ini.c_str(), kSection, nullptr, out); });
        saveBack(o.saves[0], o.loads[0],
                 [&](const EffectSettings* r) { return SavePreset(ini.c_str(), kSection, nullptr, r); });
        o.loads[1] = LoadWith(
            [&](EffectSettings** out) { return Initialize(nullptr, kScratchKey, HKEY_CURRENT_USER, out); });
        saveBack(o.saves[1], o.loads[1],
                 [&](const EffectSettings* r) { return SavePreset(nullptr, kScratchKey, HKEY_CURRENT_USER, r); });
        o.loads[2] = LoadWith([&](EffectSettings** out) { return InitializeXml(node.get(), out); });
        saveBack(o.saves[2], o.loads[2], [&](const EffectSettings* r) { return SavePresetXml(node.get(), r); });
        o.loads[3] = LoadWith([&](EffectSettings** out) { return LoadPreset(ini.c_str(), kSection, nullptr, out); });
    };
    auto check = [&](const SettingsOutcome& o, const SettingsOutcome& unarmed) {
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(testing::Message() << "load " << i);
            const Loaded& loaded = o.loads[i];
            EXPECT_EQ(loaded.faulted ? 0u : 1u, loaded.result);
            EXPECT_EQ(!loaded.faulted, loaded.present) << "a failed load hands out no record";
            EXPECT_EQ(2500u, unarmed.loads[i].record.cutOffFreq);
            EXPECT_EQ(300u, unarmed.loads[i].record.bandWidth);
            if (loaded.present) {
                EXPECT_EQ(0, std::memcmp(&unarmed.loads[i].record, &loaded.record, sizeof loaded.record))  // NOLINT(bugprone-suspicious-memory-comparison): the bit patterns must match
                    << "loaded as without a fault";
            }
        }
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(testing::Message() << "save " << i);
            const Saved& saved = o.saves[i];
            if (saved.attempted) {
                EXPECT_EQ(saved.faulted ? 0u : 1u, saved.result);
            }
        }
    };
    WithEachAllocationFailing<SettingsOutcome>(run, check);

    DeleteFileA(ini.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
}

}  // namespace
