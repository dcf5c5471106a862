#include "ui/settings_dialog.h"

#include <cmath>
#include <cstdio>
#include <iterator>

#include "dsp/chain.h"
#include "dsp/fp_state.h"
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

// The conversions run on the host's thread: each computes in the usual floating-point state,
// whatever the host left set.
double PositionToLevel(int position)
{
    const FpStateScope state;
    return (kLevelMaxPos - position) * 0.01;
}

int LevelToPosition(double level)
{
    const FpStateScope state;
    // A level that is not a number shows, and is written back, as silence: the position is
    // what the next commit stores.
    if (std::isnan(level))
        return kLevelMaxPos;
    // Bounded so that a garbage level cannot overflow the conversion.
    const double percent = std::fmin(std::fmax(std::trunc(level * 100.0 + 0.5), -1e6), 1e6);
    return kLevelMaxPos - static_cast<int>(percent);
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
    const FpStateScope state;
    const double db = PercentToDb(percent);
    std::string dbText = "-Inf";
    if (db > kLowestFloat)
        dbText = FloatingText(RoundToDecimals(db, 1), 5);
    char text[64];
    std::snprintf(text, sizeof text, "%i%%\n(%s dB)", percent, dbText.c_str());
    return text;
}

SettingsDialog::SettingsDialog()
    : centre_(IDC_CENTRE_EDIT, IDC_CENTRE_SLIDER, kCentreRange),
      bandwidth_(IDC_BANDWIDTH_EDIT, IDC_BANDWIDTH_SLIDER, kBandwidthRange)
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
    centre_.Load(settings_->cutOffFreq);
    bandwidth_.Load(settings_->bandWidth);
}

void SettingsDialog::StoreToRecord()
{
    if (!settings_)
        return;
    settings_->dryOut = PositionToLevel(levelPos_);
    settings_->cutOffFreq = centre_.Value();
    settings_->bandWidth = bandwidth_.Value();
    NotifyHost();
}

void SettingsDialog::NotifyHost() const
{
    PostMessageA(GetParent(Handle()), WM_COMMAND, SETTINGS_CHANGED_WPARAM, reinterpret_cast<LPARAM>(Handle()));
}

void SettingsDialog::RefreshTexts()
{
    levelText_ = LevelLabelText(kLevelMaxPos - levelPos_);
    centre_.FollowSlider();
    bandwidth_.FollowSlider();
}

void SettingsDialog::ComputeResponse()
{
    if (!settings_ || !previewChain_.headNode)
        return;
    MeasureResponse(*settings_, previewChain_, curve_);
    if (graph_.Handle()) {
        graph_.ResetView();
        InvalidateRect(graph_.Handle(), nullptr, TRUE);
    }
}

bool SettingsDialog::OnInitDialog()
{
    Dialog::OnInitDialog();
    levelSlider_.SetRange(kLevelMinPos, kLevelMaxPos, false);
    centre_.SetSliderRange();
    bandwidth_.SetSliderRange();
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
    centre_.AttachEdit(exchange);
    bandwidth_.AttachEdit(exchange);
    bandwidth_.AttachSlider(exchange);
    centre_.AttachSlider(exchange);
    exchange.Control(IDC_LEVEL_SLIDER, levelSlider_);
    exchange.SliderPosition(IDC_LEVEL_SLIDER, levelPos_);
    exchange.Text(IDC_LEVEL_LABEL, levelText_);
    centre_.Exchange(exchange);
    bandwidth_.Exchange(exchange);
}

void SettingsDialog::OnCommand(int id, int code, HWND)
{
    FrequencyField* field = id == IDC_CENTRE_EDIT ? &centre_ : id == IDC_BANDWIDTH_EDIT ? &bandwidth_ : nullptr;
    if (field && code == EN_CHANGE)
        OnFieldChanged(*field);
    else if (field && code == EN_KILLFOCUS)
        OnFieldLeft(*field);
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

void SettingsDialog::OnFieldChanged(FrequencyField& field)
{
    const int number = LeadingNumber(field.Edit().Text());
    if (!field.Range().Holds(number))
        return;
    field.MoveTo(static_cast<uint32_t>(number));
    RefreshTexts();
    UpdateData(false);
    StoreToRecord();
    field.Slider().RedrawNow();
    InvalidateRect(Handle(), nullptr, FALSE);
    ComputeResponse();
}

void SettingsDialog::OnFieldLeft(FrequencyField& field)
{
    const int number = LeadingNumber(field.Edit().Text());
    if (number <= static_cast<int>(field.Range().minHz))
        CommitClamp(field, field.Range().minHz);
    if (number >= static_cast<int>(field.Range().maxHz))
        CommitClamp(field, field.Range().maxHz);
}

void SettingsDialog::CommitClamp(FrequencyField& field, uint32_t hz)
{
    field.MoveTo(hz);
    field.Slider().RedrawNow();
    // Rewriting the edit with the clamped value commits once through its change handler.
    UpdateData(false);
    StoreToRecord();
    ComputeResponse();
}

void SettingsDialog::OnFinalMessage() { delete this; }
