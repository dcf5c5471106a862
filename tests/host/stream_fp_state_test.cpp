// The host's floating-point control state through the loaded DLL: every export, and the
// stream callback inside ProcessStream, sees the host's MXCSR and x87 control word, and the
// host has them back unchanged after each call, whether or not the host flushes to zero.
#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "dsp/band_reject_node.h"
#include "dsp/fp_state.h"
#include "support/plugin_library.h"
#include "support/reference_filter.h"
#include "xml/xml_node.h"

namespace {

// Rounding and flush controls only: the sticky exception flags are the host's to clear.
constexpr unsigned kMxcsrControls = 0xFFC0;

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
    unsigned mxcsr;      // cppcheck-suppress unusedStructMember ; read through GetParam()
    unsigned short x87;  // cppcheck-suppress unusedStructMember ; read through GetParam()
};

std::ostream& operator<<(std::ostream& out, const HostState& state) { return out << state.name; }

// All exceptions masked in each. An unusual state with flush-to-zero and denormals-are-zero
// set, and states with both clear, in which flushing left on by the library would show; x87
// precision 24, 53 and 64 bits with each rounding, and each SSE rounding.
const HostState kHostStates[] = {
    // SSE rounding up; x87 rounding toward zero at 64-bit precision.
    {"RoundUpFlushing", 0x1F80 | 0x4000 | 0x8000 | 0x0040, 0x0F7F},
    // The usual start-up state: round to nearest, x87 at 53-bit precision.
    {"NearestNotFlushing", 0x1F80, 0x027F},
    // SSE rounding down; x87 rounding up at 24-bit precision.
    {"RoundDownNotFlushing", 0x1F80 | 0x2000, 0x087F},
    // Direct3D's habit: x87 at 24-bit precision.
    {"X87Single", 0x1F80, 0x007F},
    {"X87SingleTowardZero", 0x1F80, 0x0C7F},
    {"X87DoubleDown", 0x1F80, 0x067F},
    {"X87ExtendedUp", 0x1F80, 0x0B7F},
    {"X87ExtendedTowardZero", 0x1F80, 0x0F7F},
    {"SseTowardZero", 0x1F80 | 0x6000, 0x027F},
    {"SseUp", 0x1F80 | 0x4000, 0x027F},
    {"SseDown", 0x1F80 | 0x2000, 0x027F},
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
    static void SetHostState()
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

    // Checks the state after each export call when checkEachCall_ is set.
    void Called(const char* call)
    {
        if (checkEachCall_) {
            EXPECT_TRUE(Unchanged(call));
        }
    }

    // A stream of float samples as a host opens one: the settings copied, the source's callback set.
    template <typename SourceType>
    EffectSettings* Open(double level, uint32_t centre, uint32_t bandwidth, SourceType& source, uint16_t channels,
                         uint32_t rate)
    {
        EffectSettings host{};
        host.dryOut = level;
        host.cutOffFreq = centre;
        host.bandWidth = bandwidth;
        EffectSettings* stream = nullptr;
        plugin.CopySettings(&stream, &host);
        Called("CopySettings");
        plugin.SetStreamCallBack(SourceType::Supply, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&source)),
                                 stream);
        Called("SetStreamCallBack");
        WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, channels, rate, rate * 4u * channels,
                            static_cast<WORD>(4 * channels), 32, 0};
        plugin.OpenStream(stream, &format);
        Called("OpenStream");
        return stream;
    }

    // Blocks of up to 20000 samples; what came out of them, channel by channel.
    std::vector<std::vector<float>> Process(EffectSettings* stream, uint16_t channels,
                                            std::initializer_list<int32_t> counts)
    {
        std::vector<std::vector<float>> output(channels);
        std::vector<std::vector<float>> buffers(channels, std::vector<float>(20000));
        std::vector<float*> pointers;
        pointers.reserve(buffers.size());
        for (auto& buffer : buffers)
            pointers.push_back(buffer.data());
        for (int32_t count : counts) {
            SampleBlock block{0, pointers.data(), pointers.data() + channels, pointers.data() + channels, count, 0, 0};
            plugin.ProcessStream(&block, stream);
            Called("ProcessStream");
            for (int k = 0; k < channels; ++k)
                output[k].insert(output[k].end(), buffers[k].begin(), buffers[k].begin() + count);
        }
        return output;
    }

    void Close(EffectSettings* stream)
    {
        plugin.CloseStream(stream);
        Called("CloseStream");
        plugin.Free(stream);
        Called("Free");
    }

    PluginLibrary plugin;
    FpState host_{};
    FpState saved_{};
    bool checkEachCall_ = false;
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

    checkEachCall_ = true;
    for (uint16_t channels : {1, 2, 3, 6, 10}) {
        SCOPED_TRACE(testing::Message() << channels << " channels");
        Source source;
        EffectSettings* stream = Open(0.9, 1000, 400, source, channels, 44100);
        Process(stream, channels, {4096, 20000, 5});
        ASSERT_EQ(4u, source.seen.size());
        for (const FpState& seen : source.seen)
            EXPECT_EQ(host_, seen) << "inside the callback";
        Close(stream);
    }
}

// Noise, a different stretch for every channel and block; what was handed out is kept.
struct NoiseSource {
    std::mt19937 random{5};
    std::vector<std::vector<float>> supplied;
    static uint32_t __cdecl Supply(uint32_t context, SampleBlock* block)
    {
        auto* self = reinterpret_cast<NoiseSource*>(static_cast<uintptr_t>(context));
        std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
        const int channels = ChannelsIn(*block);
        self->supplied.resize(channels);
        for (int k = 0; k < channels; ++k)
            for (int32_t j = 0; j < block->sampleCount; ++j)
                self->supplied[k].push_back(block->channelsBegin[k][j] = amplitude(self->random));
        return static_cast<uint32_t>(block->sampleCount);
    }
};

TEST_P(FpStateThroughExports, CoefficientsAndSamplesAreThoseOfTheUsualStateWhateverTheHostLeft)
{
    const struct {
        uint32_t rate, centre, bandwidth;
        double level;
    } settings[] = {{44100, 1000, 400, 1.000015259254738}, {48000, 2500, 300, 0.7}, {22050, 100, 9000, 0.5}};
    for (const auto& setting : settings)
        for (uint16_t channels : {1, 2, 6, 10}) {
            SCOPED_TRACE(testing::Message() << setting.rate << " Hz, centre " << setting.centre << ", bandwidth "
                                            << setting.bandwidth << ", " << channels << " channels");
            NoiseSource source;
            EffectSettings* stream =
                Open(setting.level, setting.centre, setting.bandwidth, source, channels, setting.rate);
            const double a0 = stream->filterNode->Coeffs().a0;
            const auto output = Process(stream, channels, {64, 4096, 20000, 5});
            Close(stream);

            // The reference in the test program's own state.
            TearDown();
            if (setting.rate == 44100) {
                EXPECT_EQ(ReferenceCoefficients(setting.rate, setting.centre, setting.bandwidth).a0, a0);
            }
            for (int k = 0; k < channels; ++k) {
                const std::vector<float> expected = ReferenceStream(source.supplied[k], setting.rate, setting.centre,
                                                                    setting.bandwidth, setting.level);
                ASSERT_EQ(expected.size(), output[k].size());
                EXPECT_EQ(0, std::memcmp(expected.data(), output[k].data(), expected.size() * sizeof(float)))
                    << "channel " << k;
            }
            SetHostState();
        }
}

TEST_P(FpStateThroughExports, SettingsExportsAndTheSettingsWindowKeepTheHostsState)
{
    using InitializeFunction = decltype(&::Initialize);
    using SavePresetFunction = decltype(&::SavePreset);
    using InitializeXmlFunction = decltype(&::InitializeXml);
    using SavePresetXmlFunction = decltype(&::SavePresetXml);
    using CreateWindowFunction = decltype(&::CreateSettingsWindow);
    const auto initialize = ExportAs<InitializeFunction>(plugin, "Initialize");
    const auto loadPreset = ExportAs<InitializeFunction>(plugin, "LoadPreset");
    const auto savePreset = ExportAs<SavePresetFunction>(plugin, "SavePreset");
    const auto initializeXml = ExportAs<InitializeXmlFunction>(plugin, "InitializeXml");
    const auto savePresetXml = ExportAs<SavePresetXmlFunction>(plugin, "SavePresetXml");
    const auto createWindow = ExportAs<CreateWindowFunction>(plugin, "CreateSettingsWindow");
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
