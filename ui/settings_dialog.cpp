#include "ui/settings_dialog.h"

#include <cmath>
#include <cstdio>
#include <iterator>

#include "dsp/chain.h"
#include "host/plugin_api.h"
#include "platform/number_text.h"
#include "res/resource_ids.h"
#include "ui/response_computation.h"

namespace {
constexpr double kLowestFloat = -3.4028234663852886e+38;
constexpr double kSmallestPercent = 1.1920928955078125e-07;
// The graph's place in the dialog, in dialog units.
constexpr RECT kGraphRect = {127, 0, 280, 118};
}  // namespace

double PositionToLevel(int position) { return (kLevelMaxPos - position) * 0.01; }

int LevelToPosition(double level)
{
    // A level that is not a number shows, and is written back, as silence: the position is
    // what the next commit stores.
    if (std::isnan(level))
        return kLevelMaxPos;
    // Bounded so that a garbage level cannot overflow the conversion.
    const double percent = std::fmin(std::fmax(std::trunc(level * 100.0 + 0.5), -1e6), 1e6);
    return kLevelMaxPos - static_cast<int>(percent);
}

uint32_t PositionToCentre(int position) { return static_cast<uint32_t>(kCentreMinPos + kCentreMaxPos - position); }
int CentreToPosition(uint32_t hz) { return static_cast<int>(static_cast<uint32_t>(kCentreMinPos + kCentreMaxPos) - hz); }
uint32_t PositionToBandwidth(int position)
{
    return static_cast<uint32_t>(kBandwidthMinPos + kBandwidthMaxPos - position);
}
int BandwidthToPosition(uint32_t hz)
{
    return static_cast<int>(static_cast<uint32_t>(kBandwidthMinPos + kBandwidthMaxPos) - hz);
}

double PercentToDb(double percent)
{
    const double magnitude = std::fabs(percent);
    return magnitude >= kSmallestPercent ? 20.0 * std::log10(magnitude * 0.01) : kLowestFloat;
}

double RoundToDecimals(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    double scaled = value * scale;
    if (scaled > 0)
        scaled += 0.5;
    else if (scaled < 0)
        scaled -= 0.5;
    return std::trunc(scaled) / scale;
}

std::string LevelLabelText(int percent)
{
    const double db = PercentToDb(percent);
    std::string dbText = "-Inf";
    if (db > kLowestFloat)
        dbText = FloatingText(RoundToDecimals(db, 1), 5);
    char text[64];
    std::snprintf(text, sizeof text, "%i%%\n(%s dB)", percent, dbText.c_str());
    return text;
}

SettingsDialog::SettingsDialog()
{
    // Out of memory leaves the preview without nodes; the graph then stays empty.
    BuildChain(&previewChain_);
}

SettingsDialog::~SettingsDialog() { ReleaseChain(&previewChain_); }

void SettingsDialog::AttachSettings(EffectSettings* settings)
{
    settings_ = settings;
    LoadFromRecord();
    if (Handle() && settings_)
        ComputeResponse();
}

HWND SettingsDialog::Create(const void* dialogTemplate, HWND parent)
{
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    return CreateIndirect(dialogTemplate, parent);
}

void SettingsDialog::LoadFromRecord()
{
    if (!settings_)
        return;
    levelPos_ = LevelToPosition(settings_->dryOut);
    centrePos_ = CentreToPosition(settings_->cutOffFreq);
    centreHz_ = settings_->cutOffFreq;
    bandwidthHz_ = settings_->bandWidth;
    bandwidthPos_ = BandwidthToPosition(settings_->bandWidth);
}

void SettingsDialog::StoreToRecord()
{
    if (!settings_)
        return;
    settings_->dryOut = PositionToLevel(levelPos_);
    settings_->cutOffFreq = PositionToCentre(centrePos_);
    settings_->bandWidth = PositionToBandwidth(bandwidthPos_);
    NotifyHost();
}

void SettingsDialog::NotifyHost() const
{
    PostMessageA(GetParent(Handle()), WM_COMMAND, SETTINGS_CHANGED_WPARAM, reinterpret_cast<LPARAM>(Handle()));
}

void SettingsDialog::RefreshTexts()
{
    levelText_ = LevelLabelText(kLevelMaxPos - levelPos_);
    centreHz_ = PositionToCentre(centrePos_);
    bandwidthHz_ = PositionToBandwidth(bandwidthPos_);
}

void SettingsDialog::ComputeResponse()
{
    if (!settings_ || !previewChain_.headNode)
        return;
    ::ComputeResponse(*settings_, previewChain_, curve_);
    if (graph_.Handle()) {
        graph_.ResetView();
        InvalidateRect(graph_.Handle(), nullptr, TRUE);
    }
}

bool SettingsDialog::OnInitDialog()
{
    Dialog::OnInitDialog();
    levelSlider_.SetRange(kLevelMinPos, kLevelMaxPos, false);
    centreSlider_.SetRange(kCentreMinPos, kCentreMaxPos, true);
    bandwidthSlider_.SetRange(kBandwidthMinPos, kBandwidthMaxPos, true);
    UpdateData(false);
    graph_.SetCurve(&curve_);
    RECT rect = kGraphRect;
    MapDialogRect(Handle(), &rect);
    graph_.Create(Handle(), rect, IDC_RESPONSE_GRAPH);
    RefreshTexts();
    UpdateData(false);
    if (settings_)
        ComputeResponse();
    AttachStaticTexts();
    return true;
}

void SettingsDialog::AttachStaticTexts()
{
    size_t attached = 0;
    for (HWND child = GetWindow(Handle(), GW_CHILD); child && attached < std::size(statics_);
         child = GetWindow(child, GW_HWNDNEXT)) {
        char className[256] = "";
        GetClassNameA(child, className, sizeof className);
        if (!_strnicmp(className, "Static", 6))
            statics_[attached++].Attach(child);
    }
}

void SettingsDialog::DoDataExchange(DataExchange& exchange)
{
    exchange.Control(IDC_CENTRE_EDIT, centreEdit_);
    exchange.Control(IDC_BANDWIDTH_EDIT, bandwidthEdit_);
    exchange.Control(IDC_BANDWIDTH_SLIDER, bandwidthSlider_);
    exchange.Control(IDC_CENTRE_SLIDER, centreSlider_);
    exchange.Control(IDC_LEVEL_SLIDER, levelSlider_);
    exchange.SliderPosition(IDC_LEVEL_SLIDER, levelPos_);
    exchange.Text(IDC_LEVEL_LABEL, levelText_);
    exchange.SliderPosition(IDC_CENTRE_SLIDER, centrePos_);
    exchange.Unsigned(IDC_CENTRE_EDIT, centreHz_);
    exchange.Range(centreHz_, kCentreMinHz, kCentreMaxHz);
    exchange.SliderPosition(IDC_BANDWIDTH_SLIDER, bandwidthPos_);
    exchange.Unsigned(IDC_BANDWIDTH_EDIT, bandwidthHz_);
    exchange.Range(bandwidthHz_, kBandwidthMinHz, kBandwidthMaxHz);
}

void SettingsDialog::OnCommand(int id, int code, HWND)
{
    if (id == IDC_CENTRE_EDIT && code == EN_CHANGE)
        OnCentreChanged();
    else if (id == IDC_BANDWIDTH_EDIT && code == EN_CHANGE)
        OnBandwidthChanged();
    else if (id == IDC_BANDWIDTH_EDIT && code == EN_KILLFOCUS)
        OnBandwidthLeft();
    else if (id == IDC_CENTRE_EDIT && code == EN_KILLFOCUS)
        OnCentreLeft();
}

void SettingsDialog::OnVScroll(int code, int, HWND)
{
    UpdateData(true);
    // A field that failed to read gets the slider's value back from here.
    RefreshTexts();
    UpdateData(false);
    if (code == SB_THUMBPOSITION || code == SB_ENDSCROLL) {
        StoreToRecord();
        ComputeResponse();
    }
}

void SettingsDialog::OnHScroll(int, int, HWND)
{
    UpdateData(true);
    RefreshTexts();
    UpdateData(false);
    StoreToRecord();
}

void SettingsDialog::OnCentreChanged()
{
    const int number = LeadingNumber(centreEdit_.Text());
    if (number < static_cast<int>(kCentreMinHz) || number > static_cast<int>(kCentreMaxHz))
        return;
    centrePos_ = CentreToPosition(static_cast<uint32_t>(number));
    centreHz_ = static_cast<uint32_t>(number);
    centreSlider_.SetPosition(centrePos_);
    RefreshTexts();
    UpdateData(false);
    StoreToRecord();
    centreSlider_.RedrawNow();
    InvalidateRect(Handle(), nullptr, FALSE);
    ComputeResponse();
}

void SettingsDialog::OnBandwidthChanged()
{
    const int number = LeadingNumber(bandwidthEdit_.Text());
    if (number < static_cast<int>(kBandwidthMinHz) || number > static_cast<int>(kBandwidthMaxHz))
        return;
    bandwidthPos_ = BandwidthToPosition(static_cast<uint32_t>(number));
    bandwidthHz_ = static_cast<uint32_t>(number);
    bandwidthSlider_.SetPosition(bandwidthPos_);
    RefreshTexts();
    UpdateData(false);
    StoreToRecord();
    bandwidthSlider_.RedrawNow();
    InvalidateRect(Handle(), nullptr, FALSE);
    ComputeResponse();
}

void SettingsDialog::CommitClamp(const Trackbar& slider, int position)
{
    slider.SetPosition(position);
    slider.RedrawNow();
    // Rewriting the edit with the clamped value commits once through its change handler.
    UpdateData(false);
    StoreToRecord();
    ComputeResponse();
}

void SettingsDialog::OnCentreLeft()
{
    const int number = LeadingNumber(centreEdit_.Text());
    if (number <= static_cast<int>(kCentreMinHz)) {
        centreHz_ = kCentreMinHz;
        centrePos_ = kCentreMaxPos;
        CommitClamp(centreSlider_, centrePos_);
    }
    if (number >= static_cast<int>(kCentreMaxHz)) {
        centrePos_ = kCentreMinPos;
        centreHz_ = kCentreMaxHz;
        CommitClamp(centreSlider_, centrePos_);
    }
}

void SettingsDialog::OnBandwidthLeft()
{
    const int number = LeadingNumber(bandwidthEdit_.Text());
    if (number <= static_cast<int>(kBandwidthMinHz)) {
        bandwidthPos_ = kBandwidthMaxPos;
        bandwidthHz_ = kBandwidthMinHz;
        CommitClamp(bandwidthSlider_, bandwidthPos_);
    }
    if (number >= static_cast<int>(kBandwidthMaxHz)) {
        bandwidthPos_ = kBandwidthMinPos;
        bandwidthHz_ = kBandwidthMaxHz;
        CommitClamp(bandwidthSlider_, bandwidthPos_);
    }
}

void SettingsDialog::OnFinalMessage() { delete this; }
