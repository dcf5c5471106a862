// Checks that the plug-in leaves the host's floating-point control words as it found them: around
// every stream export, inside the host's callback, around the settings exports and around a
// settings window that paints its response graph.
#include <float.h>
#include <xmmintrin.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "res/resource_ids.h"
#include "tools/shared/fp_control_scope.h"
#include "tools/shared/settings_record.h"
#include "tools/validator/campaign.h"
#include "tools/validator/guarded_stream.h"
#include "tools/validator/resource_counts.h"
#include "tools/validator/scratch_space.h"
#include "tools/validator/validator_frame.h"
#include "xml/xml_node.h"

namespace {
// The settings exports through every store, with unchanged() asked after each call. False also
// when an export made no record, so that no call can be skipped unnoticed.
bool SettingsExportsKeep(const PluginLibrary& plugin, const std::function<bool()>& unchanged)
{
    const std::string ini = ScratchFolder("fp-state") + "settings.ini";
    const ScratchKey scratch("FpState");
    const std::string& key = scratch.Path();
    bool same = true, made = true;
    auto after = [&](bool result) {
        same = unchanged() && same;
        made = made && result;
    };
    EffectInfo info{sizeof info, 0, nullptr, nullptr, 0, 0};
    plugin.PlugInInfo(&info);
    after(true);
    EffectSettings* record = nullptr;
    plugin.Initialize(ini.c_str(), "Band", nullptr, &record);
    after(record != nullptr);
    if (!record)
        return false;
    record->dryOut = 0.3;
    record->cutOffFreq = 2500;
    after(plugin.SavePreset(ini.c_str(), "Band", nullptr, record) == 1);
    after(plugin.SavePreset(nullptr, key.c_str(), HKEY_CURRENT_USER, record) == 1);
    XmlTree node(new XmlNode);
    after(plugin.SavePresetXml(node.get(), record) == 1);
    EffectSettings* loaded[4] = {};
    plugin.LoadPreset(ini.c_str(), "Band", nullptr, &loaded[0]);
    after(loaded[0] && loaded[0]->cutOffFreq == 2500);
    plugin.LoadPreset(nullptr, key.c_str(), HKEY_CURRENT_USER, &loaded[1]);
    after(loaded[1] && loaded[1]->cutOffFreq == 2500);
    plugin.InitializeXml(node.get(), &loaded[2]);
    after(loaded[2] && loaded[2]->cutOffFreq == 2500);
    plugin.CopySettings(&loaded[3], record);
    after(loaded[3] != nullptr);
    for (EffectSettings* each : loaded) {
        plugin.Free(each);
        after(true);
    }
    plugin.Free(record);
    after(true);
    return same && made;
}

// A settings window created, painted, edited and destroyed: its response graph runs the
// filter's own code, which sets flush-to-zero while it works. False also when the window did
// not take the edit.
bool SettingsWindowKeeps(const PluginLibrary& plugin, const std::function<bool()>& unchanged)
{
    auto frame = std::make_unique<ValidatorFrame>();
    EffectSettings start{0.5, 0.5, 1000, 400, nullptr, nullptr, nullptr, 0};
    SettingsRecord record(plugin);
    plugin.CopySettings(record.Receive(), &start);
    bool same = unchanged();
    const HWND window = plugin.CreateSettingsWindow(frame->Handle(), record.Get());
    same = unchanged() && same;
    bool committed = false;
    if (window) {
        ShowWindow(window, SW_SHOWNA);
        UpdateWindow(window);
        same = unchanged() && same;
        SetDlgItemTextA(window, IDC_CENTRE_EDIT, "2500");
        committed = record->cutOffFreq == 2500;
        same = unchanged() && same;
        SendMessageA(window, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 100),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_BANDWIDTH_SLIDER)));
        same = unchanged() && same;
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpMessages();
        same = unchanged() && same;
        DestroyWindow(window);
        same = unchanged() && same;
    }
    frame.reset();
    record.Reset();
    same = unchanged() && same;
    return same && committed;
}
}  // namespace

void CheckFloatingPointState(Campaign& campaign)
{
    struct HostState {
        const char* name;
        unsigned x87;
        unsigned mxcsr;
    };
    const HostState states[] = {
        {"default", _PC_53 | _RC_NEAR, 0x1F80},
        {"64-bit x87 precision, round down", _PC_64 | _RC_DOWN, 0x3F80},
        {"flush-to-zero host, round up", _PC_24 | _RC_UP, 0x9FC0 | 0x4000},
        {"round toward zero", _PC_53 | _RC_CHOP, 0x7F80},
    };
    for (const HostState& state : states) {
        const FpControlScope hostState(state.x87, state.mxcsr);
        const unsigned x87Before = _control87(0, 0);
        const unsigned mxcsrBefore = _mm_getcsr() & ~0x3Fu;
        // Each part of the check keeps its first change for the report.
        auto unchanged = [&](std::string& firstChange) {
            // Status flags are sticky and set by the host's own arithmetic too; only control bits count.
            const unsigned x87 = _control87(0, 0), mxcsr = _mm_getcsr() & ~0x3Fu;
            if ((x87 != x87Before || mxcsr != mxcsrBefore) && firstChange.empty()) {
                char text[96];
                std::snprintf(text, sizeof text, "x87 %#x -> %#x, MXCSR %#x -> %#x", x87Before, x87, mxcsrBefore, mxcsr);
                firstChange = text;
            }
            return x87 == x87Before && mxcsr == mxcsrBefore;
        };
        bool sameInside = true, sameAfter = true;
        std::string streamChange;
        {
            GuardedStream stream(campaign.Library(), {}, 44100, 2, 20000);
            sameAfter = sameAfter && unchanged(streamChange);
            stream.Source().signal = Noise(campaign.Random(), 2, 40000);
            stream.Source().inside = [&] { sameInside = sameInside && unchanged(streamChange); };
            stream.Process(20000);
            sameAfter = sameAfter && unchanged(streamChange);
            stream.Process(4096);
            sameAfter = sameAfter && unchanged(streamChange);
            campaign.Library().CloseStream(stream.Record());
            sameAfter = sameAfter && unchanged(streamChange);
        }
        sameAfter = sameAfter && unchanged(streamChange);
        std::string settingsChange, windowChange;
        const bool settingsSame = SettingsExportsKeep(campaign.Library(), [&] { return unchanged(settingsChange); });
        const bool windowSame = SettingsWindowKeeps(campaign.Library(), [&] { return unchanged(windowChange); });
        campaign.Check(std::string("floating-point state: unchanged after every stream export, ") + state.name, sameAfter,
                       streamChange);
        campaign.Check(std::string("floating-point state: the host's inside its callback, ") + state.name, sameInside);
        campaign.Check(std::string("floating-point state: unchanged after every settings export, ") + state.name,
                       settingsSame, settingsChange);
        campaign.Check(std::string("floating-point state: unchanged around the settings window, ") + state.name,
                       windowSame, windowChange);
    }
}
