// The boundary between a host and BandReject.dll: the records that cross it, the host's
// sample-supply callback and every exported entry point.
//
// The host's calling order:
//   1. PlugInInfo with a 24-byte EffectInfo.
//   2. Initialize, InitializeXml or LoadPreset for the settings record.
//   3. Optionally CreateSettingsWindow on that record. The window writes dryOut, cutOffFreq and
//      bandWidth in place and posts WM_COMMAND (wParam SETTINGS_CHANGED_WPARAM, lParam the
//      settings window) to its parent after each change; SavePreset or SavePresetXml stores it.
//   4. For a stream: CopySettings from the settings record, SetStreamCallBack on the copy,
//      OpenStream with the audio format, ProcessStream as often as needed, CloseStream, Free.
//      A stream takes dryOut, cutOffFreq and bandWidth only in OpenStream.
//   5. Free on the settings record.
//
// All entry points use the C calling convention and return 32-bit values. A record and its
// stream are used by one thread at a time.
//
// The boundary rules, kept by every entry point (host/export_guard.h):
//   - A null record, block, format or output pointer gets the entry point's failure result, 0
//     (Free does nothing), and nothing else is done. A null XML node is an empty store:
//     InitializeXml loads the defaults, SavePresetXml writes nothing and returns 1. A null
//     record for CreateSettingsWindow makes a window that edits nothing.
//   - No exception crosses an entry point or a window procedure: an entry point that fails
//     inside (out of memory) returns its failure result, and a window's message gets the
//     default handling.
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <cstdint>

#include "host/records.h"

// The settings window's change notification: control id 0, notification code 0x0400.
constexpr WPARAM SETTINGS_CHANGED_WPARAM = 0x04000000;

extern "C" {

// 1 when info->structSize is 24 and the record was filled; 0 (record untouched) otherwise.
uint32_t __cdecl PlugInInfo(EffectInfo* info);
// A new record with the source's settings, callback and context and no nodes; 1, or 0 when
// it cannot be allocated (*out is then null).
uint32_t __cdecl CopySettings(EffectSettings** out, const EffectSettings* source);
// Deletes an open stream's nodes and releases the record.
void __cdecl Free(EffectSettings* record);
uint32_t __cdecl SetStreamCallBack(StreamCallBack callBack, uint32_t context, EffectSettings* stream);
// Builds the stream's chain for the format; returns 0.
uint32_t __cdecl OpenStream(EffectSettings* stream, const WAVEFORMATEX* format);
// Pulls block->sampleCount samples per channel through the callback, filters them in place
// and returns (and stores in block->processedCount) the count the callback delivered. A
// record without an open stream or a callback gets 0 and nothing is touched.
uint32_t __cdecl ProcessStream(SampleBlock* block, EffectSettings* stream);
uint32_t __cdecl CloseStream(EffectSettings* stream);

// Load a settings record from the registry (rootKey and keyName) or an INI file (fileName and
// keyName, the section), defaults where nothing is stored; 1, or 0 when out of memory.
uint32_t __cdecl Initialize(const char* fileName, const char* keyName, HKEY rootKey, EffectSettings** out);
uint32_t __cdecl InitializeXml(XmlNode* node, EffectSettings** out);
uint32_t __cdecl LoadPreset(const char* fileName, const char* keyName, HKEY rootKey, EffectSettings** out);
// 1, or 0 when the registry key cannot be created.
uint32_t __cdecl SavePreset(const char* fileName, const char* keyName, HKEY rootKey, const EffectSettings* settings);
uint32_t __cdecl SavePresetXml(XmlNode* node, const EffectSettings* settings);

// A hidden child window of parent that edits *settings in place; null when it cannot be made.
HWND __cdecl CreateSettingsWindow(HWND parent, EffectSettings* settings);

}  // extern "C"
