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
#include "host/stored_level.h"
#include "tests/support/host_fp_states.h"
#include "tests/support/reference_filter.h"
#include "tools/shared/plugin_library.h"
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

    char path[MAX_PATH];
    GetFullPathNameA("fp_state.ini", MAX_PATH, path, nullptr);
    DeleteFileA(path);
    EffectSettings* record = nullptr;
    plugin.Initialize(path, "BandReject", nullptr, &record);
    EXPECT_TRUE(Unchanged("Initialize"));
    ASSERT_NE(nullptr, record);
    record->cutOffFreq = 2500;
    plugin.SavePreset(path, "BandReject", nullptr, record);
    EXPECT_TRUE(Unchanged("SavePreset"));
    EffectSettings* loaded = nullptr;
    plugin.LoadPreset(path, "BandReject", nullptr, &loaded);
    EXPECT_TRUE(Unchanged("LoadPreset"));
    ASSERT_NE(nullptr, loaded);
    EXPECT_EQ(2500u, loaded->cutOffFreq);

    XmlTree node(new XmlNode);
    plugin.SavePresetXml(node.get(), loaded);
    EXPECT_TRUE(Unchanged("SavePresetXml"));
    EffectSettings* fromXml = nullptr;
    plugin.InitializeXml(node.get(), &fromXml);
    EXPECT_TRUE(Unchanged("InitializeXml"));
    ASSERT_NE(nullptr, fromXml);
    EXPECT_EQ(2500u, fromXml->cutOffFreq);
    plugin.Free(fromXml);

    HWND parent = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, parent);
    HWND window = plugin.CreateSettingsWindow(parent, loaded);
    EXPECT_TRUE(Unchanged("CreateSettingsWindow"));
    EXPECT_NE(nullptr, window);
    UpdateWindow(parent);
    DestroyWindow(parent);
    EXPECT_TRUE(Unchanged("destroying the settings window"));

    plugin.Free(loaded);
    plugin.Free(record);
    DeleteFileA(path);
}

TEST_P(FpStateThroughExports, StoredLevelsLoadAndSaveAsInTheUsualState)
{
    using InitializeFunction = decltype(&::Initialize);
    using SavePresetFunction = decltype(&::SavePreset);
    const auto loadPreset = ExportAs<InitializeFunction>(plugin, "LoadPreset");
    const auto savePreset = ExportAs<SavePresetFunction>(plugin, "SavePreset");
    ASSERT_TRUE(loadPreset && savePreset);
    char path[MAX_PATH];
    GetFullPathNameA("fp_state_levels.ini", MAX_PATH, path, nullptr);

    for (uint32_t stored : {0u, 1u, 16383u, 16384u, 32767u, 65535u, 100000u, 2000000000u}) {
        SCOPED_TRACE(stored);
        TearDown();
        const double usual = StoredToLevel(stored);
        const double unity = StoredToLevel(32767);
        WritePrivateProfileStringA("BandReject", "DryOut", std::to_string(stored).c_str(), path);
        SetHostState();
        EffectSettings* record = nullptr;
        ASSERT_EQ(1u, loadPreset(path, "BandReject", nullptr, &record));
        ASSERT_NE(nullptr, record);
        EXPECT_EQ(usual, record->dryOut);
        EXPECT_EQ(unity, record->volume2) << "the default";
        WritePrivateProfileStringA("BandReject", "DryOut", nullptr, path);
        savePreset(path, "BandReject", nullptr, record);
        EXPECT_TRUE(Unchanged("SavePreset"));
        EXPECT_EQ(stored, GetPrivateProfileIntA("BandReject", "DryOut", -1, path));
        plugin.Free(record);
        WritePrivateProfileStringA("BandReject", nullptr, nullptr, path);
    }
    DeleteFileA(path);
}

// Samples copied in: the host's side raises no flag of its own.
struct CopySource {
    std::vector<float> samples;
    static uint32_t __cdecl Supply(uint32_t context, SampleBlock* block)
    {
        auto* self = reinterpret_cast<CopySource*>(static_cast<uintptr_t>(context));
        std::memcpy(block->channelsBegin[0], self->samples.data(), block->sampleCount * sizeof(float));
        return static_cast<uint32_t>(block->sampleCount);
    }
};

TEST_P(FpStateThroughExports, TheHostsExceptionFlagsComeBackAsTheyWere)
{
    CopySource source;
    std::mt19937 random(3);
    std::uniform_real_distribution<float> amplitude(-1.0f, 1.0f);
    for (int j = 0; j < 4096; ++j)
        source.samples.push_back(amplitude(random));
    std::vector<float> buffer(4096);
    float* channel = buffer.data();
    // The host's own controls, and the library's; neither with a flag raised.
    for (unsigned mxcsr : {GetParam().mxcsr, 0x9F80u}) {
        SCOPED_TRACE(testing::Message() << "MXCSR 0x" << std::hex << mxcsr);
        EffectSettings* stream = Open(0.7, 1000, 400, source, 1, 44100);
        SampleBlock block{0, &channel, &channel + 1, &channel + 1, 4096, 0, 0};
        _mm_setcsr(mxcsr);
        plugin.ProcessStream(&block, stream);
        const unsigned after = _mm_getcsr();
        EXPECT_EQ(mxcsr, after) << "after ProcessStream, 0x" << std::hex << after;
        Close(stream);
    }
}

INSTANTIATE_TEST_SUITE_P(HostStates, FpStateThroughExports, testing::ValuesIn(kHostStates),
                         [](const testing::TestParamInfo<HostState>& info) { return std::string(info.param.name); });

}  // namespace
