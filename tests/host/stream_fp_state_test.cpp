// The host's floating-point control state through the loaded DLL: every export, and the
// stream callback inside ProcessStream, sees the host's MXCSR and x87 control word, and the
// host has them back unchanged after each call, whether or not the host flushes to zero.
#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/plugin_library.h"
#include "xml/xml_node.h"

namespace {

// Rounding and flush controls only: the sticky exception flags are the host's to clear.
constexpr unsigned kMxcsrControls = 0xFFC0;

unsigned short X87ControlWord()
{
    unsigned short word;
    __asm__ __volatile__("fnstcw %0" : "=m"(word));
    return word;
}

void SetX87ControlWord(unsigned short word)
{
    __asm__ __volatile__("fldcw %0" : : "m"(word));
}

struct FpState {
    unsigned mxcsr;
    unsigned short x87;
    static FpState Current() { return FpState{_mm_getcsr() & kMxcsrControls, X87ControlWord()}; }
    bool operator==(const FpState& other) const { return mxcsr == other.mxcsr && x87 == other.x87; }
};

std::ostream& operator<<(std::ostream& out, const FpState& state)
{
    return out << "MXCSR 0x" << std::hex << state.mxcsr << ", x87 control 0x" << state.x87 << std::dec;
}

struct HostState {
    const char* name;
    unsigned mxcsr;
    unsigned short x87;
};

std::ostream& operator<<(std::ostream& out, const HostState& state) { return out << state.name; }

// All exceptions masked in each. An unusual state with flush-to-zero and denormals-are-zero
// set, and states with both clear, in which flushing left on by the library would show.
const HostState kHostStates[] = {
    // SSE rounding up; x87 rounding toward zero at 64-bit precision.
    {"RoundUpFlushing", 0x1F80 | 0x4000 | 0x8000 | 0x0040, 0x0F7F},
    // The usual start-up state: round to nearest, x87 at 53-bit precision.
    {"NearestNotFlushing", 0x1F80, 0x027F},
    // SSE rounding down; x87 rounding up at 24-bit precision.
    {"RoundDownNotFlushing", 0x1F80 | 0x2000, 0x087F},
};

class FpStateThroughExports : public testing::TestWithParam<HostState> {
protected:
    void SetUp() override
    {
        saved_ = {_mm_getcsr(), X87ControlWord()};
        SetHostState();
        host_ = FpState::Current();
    }
    void TearDown() override
    {
        _mm_setcsr(saved_.mxcsr);
        SetX87ControlWord(saved_.x87);
    }
    void SetHostState()
    {
        _mm_setcsr(GetParam().mxcsr);
        SetX87ControlWord(GetParam().x87);
    }
    ::testing::AssertionResult Unchanged(const char* call)
    {
        const FpState now = FpState::Current();
        SetHostState();
        if (now == host_)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << call << ": expected " << host_ << ", actual " << now;
    }

    PluginLibrary plugin;
    FpState host_{};
    FpState saved_{};
};

struct Source {
    std::vector<FpState> seen;
    static uint32_t __cdecl Supply(uint32_t context, SampleBlock* block)
    {
        auto* self = reinterpret_cast<Source*>(static_cast<uintptr_t>(context));
        self->seen.push_back(FpState::Current());
        for (float** channel = block->channelsBegin; channel != block->channelsEnd; ++channel)
            for (int32_t j = 0; j < block->sampleCount; ++j)
                (*channel)[j] = static_cast<float>((j % 50) - 25) * 0.04f;
        return static_cast<uint32_t>(block->sampleCount);
    }
};

TEST_P(FpStateThroughExports, StreamExportsAndTheCallbackSeeAndKeepTheHostsState)
{
    EffectInfo info{};
    info.structSize = sizeof info;
    plugin.PlugInInfo(&info);
    EXPECT_TRUE(Unchanged("PlugInInfo"));

    for (uint16_t channels : {1, 2, 3, 6, 10}) {
        SCOPED_TRACE(testing::Message() << channels << " channels");
        EffectSettings host{};
        host.dryOut = 0.9;
        host.cutOffFreq = 1000;
        host.bandWidth = 400;
        EffectSettings* stream = nullptr;
        plugin.CopySettings(&stream, &host);
        EXPECT_TRUE(Unchanged("CopySettings"));
        Source source;
        plugin.SetStreamCallBack(Source::Supply, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&source)), stream);
        EXPECT_TRUE(Unchanged("SetStreamCallBack"));
        WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, channels, 44100, 44100u * 4 * channels,
                            static_cast<WORD>(4 * channels), 32, 0};
        plugin.OpenStream(stream, &format);
        EXPECT_TRUE(Unchanged("OpenStream"));

        std::vector<std::vector<float>> buffers(channels, std::vector<float>(20000));
        std::vector<float*> pointers;
        for (auto& buffer : buffers)
            pointers.push_back(buffer.data());
        for (int32_t count : {4096, 20000, 5}) {
            SampleBlock block{0, pointers.data(), pointers.data() + channels, pointers.data() + channels, count, 0, 0};
            plugin.ProcessStream(&block, stream);
            EXPECT_TRUE(Unchanged("ProcessStream"));
        }
        ASSERT_EQ(4u, source.seen.size());
        for (const FpState& seen : source.seen)
            EXPECT_EQ(host_, seen) << "inside the callback";

        plugin.CloseStream(stream);
        EXPECT_TRUE(Unchanged("CloseStream"));
        plugin.Free(stream);
        EXPECT_TRUE(Unchanged("Free"));
    }
}

TEST_P(FpStateThroughExports, SettingsExportsAndTheSettingsWindowKeepTheHostsState)
{
    using InitializeFunction = decltype(&::Initialize);
    using SavePresetFunction = decltype(&::SavePreset);
    using InitializeXmlFunction = decltype(&::InitializeXml);
    using SavePresetXmlFunction = decltype(&::SavePresetXml);
    using CreateWindowFunction = decltype(&::CreateSettingsWindow);
    const auto initialize = reinterpret_cast<InitializeFunction>(reinterpret_cast<void*>(plugin.Export("Initialize")));
    const auto loadPreset = reinterpret_cast<InitializeFunction>(reinterpret_cast<void*>(plugin.Export("LoadPreset")));
    const auto savePreset = reinterpret_cast<SavePresetFunction>(reinterpret_cast<void*>(plugin.Export("SavePreset")));
    const auto initializeXml =
        reinterpret_cast<InitializeXmlFunction>(reinterpret_cast<void*>(plugin.Export("InitializeXml")));
    const auto savePresetXml =
        reinterpret_cast<SavePresetXmlFunction>(reinterpret_cast<void*>(plugin.Export("SavePresetXml")));
    const auto createWindow =
        reinterpret_cast<CreateWindowFunction>(reinterpret_cast<void*>(plugin.Export("CreateSettingsWindow")));
    ASSERT_TRUE(initialize && loadPreset && savePreset && initializeXml && savePresetXml && createWindow);

    char path[MAX_PATH];
    GetFullPathNameA("fp_state.ini", MAX_PATH, path, nullptr);
    DeleteFileA(path);
    EffectSettings* record = nullptr;
    initialize(path, "BandReject", nullptr, &record);
    EXPECT_TRUE(Unchanged("Initialize"));
    ASSERT_NE(nullptr, record);
    record->cutOffFreq = 2500;
    savePreset(path, "BandReject", nullptr, record);
    EXPECT_TRUE(Unchanged("SavePreset"));
    EffectSettings* loaded = nullptr;
    loadPreset(path, "BandReject", nullptr, &loaded);
    EXPECT_TRUE(Unchanged("LoadPreset"));
    ASSERT_NE(nullptr, loaded);
    EXPECT_EQ(2500u, loaded->cutOffFreq);

    XmlTree node(new XmlNode);
    savePresetXml(node.get(), loaded);
    EXPECT_TRUE(Unchanged("SavePresetXml"));
    EffectSettings* fromXml = nullptr;
    initializeXml(node.get(), &fromXml);
    EXPECT_TRUE(Unchanged("InitializeXml"));
    ASSERT_NE(nullptr, fromXml);
    EXPECT_EQ(2500u, fromXml->cutOffFreq);
    plugin.Free(fromXml);

    HWND parent = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, parent);
    HWND window = createWindow(parent, loaded);
    EXPECT_TRUE(Unchanged("CreateSettingsWindow"));
    EXPECT_NE(nullptr, window);
    UpdateWindow(parent);
    DestroyWindow(parent);
    EXPECT_TRUE(Unchanged("destroying the settings window"));

    plugin.Free(loaded);
    plugin.Free(record);
    DeleteFileA(path);
}

INSTANTIATE_TEST_SUITE_P(HostStates, FpStateThroughExports, testing::ValuesIn(kHostStates),
                         [](const testing::TestParamInfo<HostState>& info) { return std::string(info.param.name); });

}  // namespace
