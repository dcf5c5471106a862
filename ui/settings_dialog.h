// The settings window: three mirrored sliders (level, centre frequency, bandwidth), two edits in
// Hz, a level label and the measured response graph. It edits one host-owned record in place and
// posts WM_COMMAND (wParam SETTINGS_CHANGED_WPARAM of the public header, lParam the dialog) to
// its parent after every commit.
#pragma once

#include <cstdint>
#include <string>

#include "host/records.h"
#include "platform/controls.h"
#include "platform/dialog.h"
#include "ui/frequency_field.h"
#include "ui/response_curve.h"
#include "ui/response_graph.h"

constexpr int kLevelMinPos = 0, kLevelMaxPos = 100;
constexpr FrequencyRange kCentreRange{30, 20000};
constexpr FrequencyRange kBandwidthRange{1, 5000};

// The sliders have their minimum at the top, so each value is its position mirrored in the range.
double PositionToLevel(int position);
int LevelToPosition(double level);

// 20 log10(|percent| / 100); the lowest finite float for |percent| below 2^-23.
double PercentToDb(double percent);
// Half away from zero at the given number of decimals.
double RoundToDecimals(double value, int decimals);
// "26%\n(-11.7 dB)"; "0%\n(-Inf dB)" for silence.
std::string LevelLabelText(int percent);

class SettingsDialog : public Dialog {
public:
    SettingsDialog();
    ~SettingsDialog() override;

    // Keeps the record (not owned; null detaches) and loads it into the members.
    void AttachSettings(EffectSettings* settings);
    // The template is copied by the caller or left untouched; null when no window results.
    HWND Create(const void* dialogTemplate, HWND parent);

    void LoadFromRecord();
    // Writes level, centre and bandwidth from the slider positions, then notifies the host.
    void StoreToRecord();
    void NotifyHost() const;
    // Label text and both edit values from the slider positions; members only.
    void RefreshTexts();

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& exchange) override;
    void OnCommand(int id, int code, HWND control) override;
    void OnVScroll(int code, int position, HWND control) override;
    void OnHScroll(int code, int position, HWND control) override;
    void OnFinalMessage() override;

private:
    // Measures the response into the curve and shows it whole in the graph, when it exists.
    void ComputeResponse();
    void AttachStaticTexts();
    // A number typed within the range commits at once; others wait for the edit to be left.
    void OnFieldChanged(FrequencyField& field);
    // Leaving the edit at or beyond an end of the range commits that end.
    void OnFieldLeft(FrequencyField& field);
    void CommitClamp(FrequencyField& field, uint32_t hz);

    EffectSettings* settings_ = nullptr;
    EffectSettings previewChain_{};
    ResponseGraph graph_;
    ResponseCurve curve_;
    StaticText statics_[6];
    FrequencyField centre_;
    FrequencyField bandwidth_;
    Trackbar levelSlider_;
    int levelPos_ = 0;
    std::string levelText_;
};
