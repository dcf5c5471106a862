// The frequency response of the effect, measured rather than computed: 101 sine tones from
// 20 Hz to 20 kHz, 0.03 decade apart, run through a private gain-and-filter chain at 44100 Hz.
#pragma once

#include "host/records.h"
#include "ui/response_curve.h"

// Sets previewChain's nodes (built with BuildChain) from settings' level, centre and bandwidth,
// prepares them for one channel at 44100 Hz (which clears the filter's history once) and
// replaces curve with one point per tone: x = log10(Hz) + 1, y = 4 log10(peak + 0.00001),
// the peak taken over samples 2205..3999 of each 4000-sample tone. Touches no window.
void MeasureResponse(const EffectSettings& settings, EffectSettings& previewChain, ResponseCurve& curve);
