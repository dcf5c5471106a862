// Checks of the settings window: many windows created and destroyed, records at the
// edges, a null record, random user input, and a window open on one record while another
// thread streams through copies of it.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "res/resource_ids.h"
#include "tools/shared/worker_thread.h"
#include "tools/validator/campaign.h"
#include "tools/validator/guarded_stream.h"
#include "tools/validator/resource_counts.h"
#include "tools/validator/validator_frame.h"

namespace {
constexpr int kLevelSlider = IDC_LEVEL_SLIDER, kCentreSlider = IDC_CENTRE_SLIDER;
constexpr int kBandwidthSlider = IDC_BANDWIDTH_SLIDER, kCentreEdit = IDC_CENTRE_EDIT;
constexpr int kGraph = IDC_RESPONSE_GRAPH, kBandwidthEdit = IDC_BANDWIDTH_EDIT;
using CreateSettingsWindowFunction = decltype(&::CreateSettingsWindow);

// Notifications that came from another window than source, or were sent, not posted.
size_t StrayNotifications(const HostFrame& frame, HWND source)
{
    return std::count_if(frame.notifications.begin(), frame.notifications.end(),
                         [&](const FrameNotification& each) { return each.sent || each.source != source; });
}

// A record laid out by the host inside guard bytes, so that a write beyond its 24 bytes of
// settings shows.
class GuardedRecord {
public:
    explicit GuardedRecord(const EffectSettings& settings)
    {
        std::memset(bytes_, kGuard, sizeof bytes_);
        std::memcpy(bytes_ + kGuardSize, &settings, sizeof settings);
        std::memcpy(original_, bytes_, sizeof bytes_);
    }
    EffectSettings* Get() { return reinterpret_cast<EffectSettings*>(bytes_ + kGuardSize); }
    // Nothing but dryOut, cutOffFreq and bandWidth may have changed.
    bool OnlySettingsWritten() const
    {
        const size_t settingsEnd = kGuardSize + offsetof(EffectSettings, headNode);
        return std::memcmp(bytes_, original_, kGuardSize) == 0 &&
               std::memcmp(bytes_ + kGuardSize + 8, original_ + kGuardSize + 8, 8) == 0 &&
               std::memcmp(bytes_ + settingsEnd, original_ + settingsEnd, sizeof bytes_ - settingsEnd) == 0;
    }

private:
    static constexpr int kGuardSize = 32;
    static constexpr unsigned char kGuard = 0xBD;
    alignas(8) unsigned char bytes_[kGuardSize + sizeof(EffectSettings) + kGuardSize];
    unsigned char original_[sizeof bytes_];
};

std::string RandomEditText(std::mt19937& random)
{
    static const char* const kOdd[] = {"", "abc", "0100", "-5", "99999999999", "4294967296", " 250 ", "1e3", "30",
                                       "20000", "1", "5000", "0", "20001"};
    const int kind = std::uniform_int_distribution<int>(0, 9)(random);
    if (kind < 5)
        return std::to_string(std::uniform_int_distribution<int>(0, 25000)(random));
    if (kind < 9)
        return kOdd[std::uniform_int_distribution<size_t>(0, std::size(kOdd) - 1)(random)];
    return std::string(10000, static_cast<char>('0' + std::uniform_int_distribution<int>(0, 9)(random)));
}

// One random thing a user (or a confused host) does to the settings window. Without invalid,
// the edits only get numbers in their ranges, which never raise the validation prompt.
void RandomInput(HWND window, std::mt19937& random, bool invalid)
{
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const int sliders[] = {kLevelSlider, kCentreSlider, kBandwidthSlider};
    switch (pick(8)) {
    case 0:
    case 1: {
        const bool centre = pick(2) != 0;
        const std::string text = invalid ? RandomEditText(random)
                                         : std::to_string(centre ? 30 + pick(19971) : 1 + pick(5000));
        SetDlgItemTextA(window, centre ? kCentreEdit : kBandwidthEdit, text.c_str());
        break;
    }
    case 2:
        SetFocus(GetDlgItem(window, pick(2) ? kCentreEdit : kBandwidthEdit));
        SetFocus(GetDlgItem(window, sliders[pick(3)]));
        break;
    case 3: {
        const WPARAM keys[] = {VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_HOME, VK_END};
        const HWND slider = GetDlgItem(window, sliders[pick(3)]);
        const WPARAM key = keys[pick(6)];
        SendMessageA(slider, WM_KEYDOWN, key, 1);
        SendMessageA(slider, WM_KEYUP, key, 0xC0000001);
        break;
    }
    case 4: {
        const int code = pick(9);
        const int position = std::uniform_int_distribution<int>(-100, 21000)(random);
        SendMessageA(window, pick(4) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(position)),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, sliders[pick(3)])));
        break;
    }
    case 5: {
        const HWND graph = GetDlgItem(window, kGraph);
        auto at = [&] { return MAKELPARAM(pick(400) - 50, pick(300) - 50); };
        SendMessageA(graph, WM_LBUTTONDOWN, MK_LBUTTON, at());
        SendMessageA(graph, WM_MOUSEMOVE, MK_LBUTTON, at());
        SendMessageA(graph, pick(4) ? WM_LBUTTONUP : WM_RBUTTONUP, 0, at());
        break;
    }
    case 6:
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        break;
    case 7:
        PumpMessages();
        break;
    }
}

bool InRangeOrUnchanged(uint32_t value, uint32_t original, uint32_t minimum, uint32_t maximum)
{
    return value == original || (value >= minimum && value <= maximum);
}

// The dialog writes the level from its slider: a level that a slider can show (0 to 1) or one
// that is not a number at all must come back as a slider level, 0 to 1.
bool LevelPlausible(double level, double original)
{
    const bool sliderRange = std::isnan(original) || (original >= 0.0 && original <= 1.0);
    if (std::memcmp(&level, &original, sizeof level) == 0)  // NOLINT(bugprone-suspicious-memory-comparison): the bit pattern must match
        return true;
    return std::isfinite(level) && (!sliderRange || (level >= 0.0 && level <= 1.0));
}

std::string Describe(const EffectSettings& settings)
{
    char text[96];
    std::snprintf(text, sizeof text, "level %g, centre %u Hz, bandwidth %u Hz", settings.dryOut, settings.cutOffFreq,
                  settings.bandWidth);
    return text;
}

// Under Wine without a window manager, every validation prompt costs two seconds when it goes
// away, so only a sample of the records that provoke one is opened per seed.
void CheckExtremeRecords(Campaign& campaign, HostFrame& frame, CreateSettingsWindowFunction create)
{
    const double levels[] = {0.0, 1.0, 0.257, -1.0, 1e30, 1e-300, static_cast<double>(NAN),
                             static_cast<double>(INFINITY)};
    const uint32_t centres[] = {0, 29, 30, 20000, 20001, 4294967295u};
    const uint32_t bandwidths[] = {0, 1, 5000, 5001, 4294967295u};
    // Every level three times with random edges of the frequencies; a quick run takes two levels.
    std::vector<EffectSettings> records;
    auto edge = [&](const auto& values) {
        return values[std::uniform_int_distribution<size_t>(0, std::size(values) - 1)(campaign.Random())];
    };
    for (int round = 0; round < 3; ++round)
        for (double level : levels)
            records.push_back({level, level, edge(centres), edge(bandwidths), nullptr, nullptr, nullptr, 0x5eed});
    if (campaign.Quick()) {
        std::shuffle(records.begin(), records.begin() + std::size(levels), campaign.Random());
        records.resize(2);
    }

    const int actions = campaign.Quick() ? 30 : 80;
    bool survived = true, guarded = true, plausible = true, posted = true;
    std::string firstFailure;
    for (const EffectSettings& settings : records) {
        GuardedRecord record(settings);
        const HWND window = create(frame.Handle(), record.Get());
        frame.notifications.clear();
        if (!window) {
            survived = false;
            continue;
        }
        // What the host may read after any of the user's steps.
        auto check = [&](const char* when) {
            const EffectSettings& now = *record.Get();
            const bool fits = InRangeOrUnchanged(now.cutOffFreq, settings.cutOffFreq, 30, 20000) &&
                              InRangeOrUnchanged(now.bandWidth, settings.bandWidth, 1, 5000) &&
                              LevelPlausible(now.dryOut, settings.dryOut);
            if (!fits && firstFailure.empty())
                firstFailure = "from " + Describe(settings) + " to " + Describe(now) + " " + when;
            plausible = plausible && fits;
        };
        check("on opening");
        ShowWindow(window, SW_SHOWNA);
        for (int i = 0; i < actions; ++i) {
            RandomInput(window, campaign.Random(), true);
            check("after input");
        }
        PumpMessages();
        guarded = guarded && record.OnlySettingsWritten();
        posted = posted && StrayNotifications(frame, window) == 0;
        survived = survived && IsWindow(window);
        DestroyWindow(window);
        PumpMessages();
    }
    const std::string name = "settings windows: " + std::to_string(records.size()) +
                             " records with extreme settings open and take random input";
    campaign.Check(name, survived);
    campaign.Check(name + ", committing only slider values", plausible, firstFailure);
    campaign.Check(name + ", writing nothing beyond the three settings", guarded);
    campaign.Check(name + ", posting every notification from the window", posted);
}

void CheckNullRecord(Campaign& campaign, HostFrame& frame, CreateSettingsWindowFunction create)
{
    const HWND window = create(frame.Handle(), nullptr);
    frame.notifications.clear();
    if (window) {
        ShowWindow(window, SW_SHOWNA);
        for (int i = 0; i < (campaign.Quick() ? 30 : 200); ++i)
            RandomInput(window, campaign.Random(), true);
        PumpMessages();
    }
    campaign.Check("settings windows: a window without a record takes input and notifies nothing",
                   window && IsWindow(window) && frame.notifications.empty(),
                   std::to_string(frame.notifications.size()) + " notifications");
    if (window)
        DestroyWindow(window);
    PumpMessages();
}

// Windows are closed the three ways a host closes them: directly, with the host panel that
// holds them, and with the whole host frame.
void CheckManyWindows(Campaign& campaign, CreateSettingsWindowFunction create)
{
    EffectSettings settings{0.5, 0.5, 1000, 400, nullptr, nullptr, nullptr, 0};
    bool allCreated = true;
    auto cycle = [&](int count) {
        for (int i = 0; i < count; ++i) {
            ValidatorFrame frame;
            const HWND panel = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 0, 0, 700, 280, frame.Handle(),
                                               nullptr, GetModuleHandleA(nullptr), nullptr);
            settings.cutOffFreq = std::uniform_int_distribution<uint32_t>(30, 20000)(campaign.Random());
            const HWND window = create(panel, &settings);
            allCreated = allCreated && window && GetParent(window) == panel;
            if (window) {
                ShowWindow(window, SW_SHOWNA);
                for (int k = std::uniform_int_distribution<int>(0, 3)(campaign.Random()); k > 0; --k)
                    RandomInput(window, campaign.Random(), false);
                UpdateWindow(window);
            }
            switch (i % 3) {
            case 0:
                DestroyWindow(window);
                break;
            case 1:
                DestroyWindow(panel);
                break;
            }
            PumpMessages();
        }
    };
    const int count = campaign.Quick() ? 50 : 1000;
    campaign.CheckNoGrowth("settings windows: " + std::to_string(count) + " created and destroyed leave no growth",
                           campaign.Quick() ? 10 : 30, count, cycle);
    campaign.Check("settings windows: " + std::to_string(count) + " created, shown and destroyed", allCreated);
}

struct StreamedCopy {
    StreamSettings settings;
    std::vector<float> output;
};

// Streams noise through one copy of the record, made now, in blocks of random size.
StreamedCopy StreamThroughCopy(const PluginLibrary& plugin, const EffectSettings* record, const std::vector<float>& noise,
                               std::mt19937& random, const std::function<void()>& betweenBlocks)
{
    EffectSettings* copy = nullptr;
    plugin.CopySettings(&copy, record);
    StreamedCopy result;
    result.settings = {copy->dryOut, copy->cutOffFreq, copy->bandWidth};
    SampleSource source;
    source.signal = {noise};
    plugin.SetStreamCallBack(SampleSource::Supply,
                                              static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&source)), copy);
    WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 44100 * 4, 4, 32, 0};
    plugin.OpenStream(copy, &format);
    std::vector<float> buffer(noise.size());
    float* channels[1] = {buffer.data()};
    size_t done = 0;
    while (done < noise.size()) {
        const int32_t count = static_cast<int32_t>(
            std::min<size_t>(std::uniform_int_distribution<size_t>(1, 3000)(random), noise.size() - done));
        channels[0] = buffer.data() + done;
        SampleBlock block{0, channels, channels + 1, channels + 1, count, 0, 0};
        plugin.ProcessStream(&block, copy);
        done += count;
        if (betweenBlocks)
            betweenBlocks();
    }
    plugin.CloseStream(copy);
    plugin.Free(copy);
    result.output = std::move(buffer);
    return result;
}

bool MatchesSoloRun(const PluginLibrary& plugin, const StreamedCopy& streamed, const std::vector<float>& noise)
{
    return ProcessWhole(plugin, streamed.settings, 44100, {noise})[0] == streamed.output;
}

void CheckWindowBesideStreams(Campaign& campaign, HostFrame& frame, CreateSettingsWindowFunction create)
{
    const PluginLibrary& plugin = campaign.Library();
    const EffectSettings start{0.8, 0.8, 1000, 400, nullptr, nullptr, nullptr, 0};
    EffectSettings* record = nullptr;
    plugin.CopySettings(&record, &start);
    const HWND window = create(frame.Handle(), record);
    frame.notifications.clear();
    ShowWindow(window, SW_SHOWNA);
    const size_t length = campaign.Quick() ? 20000 : 100000;
    const auto noise = Noise(campaign.Random(), 1, length)[0];

    // One stream opened before the user starts, living through all of the user's changes.
    std::mt19937 streamRandom(campaign.Random()());
    // Then copies made while the user works, each checked on the streaming thread as it ends.
    const std::vector<float> shortNoise(noise.begin(), noise.begin() + 4096);
    std::atomic<bool> streaming{true};
    int copies = 0, copiesMatching = 0;
    StreamedCopy longLived;
    WorkerThread streamer([&] {
        longLived = StreamThroughCopy(plugin, record, noise, streamRandom, [] { Sleep(0); });
        while (streaming) {
            ++copies;
            copiesMatching +=
                MatchesSoloRun(plugin, StreamThroughCopy(plugin, record, shortNoise, streamRandom, nullptr), shortNoise);
        }
    });
    const int actions = campaign.Quick() ? 100 : 1500;
    for (int i = 0; i < actions; ++i)
        RandomInput(window, campaign.Random(), true);
    PumpMessages();
    streaming = false;
    streamer.Join();
    const size_t committed = frame.notifications.size();
    DestroyWindow(window);
    PumpMessages();
    plugin.Free(record);

    campaign.Check("window beside a stream: the user's changes were committed", committed > 0,
                   std::to_string(committed) + " notifications");
    campaign.Check("window beside a stream: an open stream keeps the settings it was opened with",
                   MatchesSoloRun(plugin, longLived, noise));
    campaign.Check("window beside a stream: " + std::to_string(copies) +
                       " copies made during the changes each stream like their solo run",
                   copies > 0 && copiesMatching == copies);
}
}  // namespace

void CheckSettingsWindows(Campaign& campaign)
{
    const auto create = campaign.Library().CreateSettingsWindow;
    ValidatorFrame frame;
    CheckExtremeRecords(campaign, frame, create);
    CheckNullRecord(campaign, frame, create);
    CheckManyWindows(campaign, create);
}

void CheckWindowBesideStream(Campaign& campaign)
{
    ValidatorFrame frame;
    CheckWindowBesideStreams(campaign, frame, campaign.Library().CreateSettingsWindow);
}
