// The plug-in settings a command works with, given by its options, and their description.
#pragma once

#include <string>
#include <vector>

#include "tools/shared/options.h"
#include "tools/shared/settings_record.h"

// The settings a command starts from: the plug-in's defaults (Initialize with no store), or the
// record made from a preset: --preset-xml FILE (InitializeXml), --preset-ini FILE --section NAME
// or --preset-reg KEY under HKEY_CURRENT_USER (LoadPreset); then --cutoff HZ, --bandwidth HZ
// and --level PERCENT written into the record as a host may.
SettingsRecord StartingSettings(const PluginLibrary& plugin, const Options& options);
extern const std::vector<std::string> kSettingsOptions;

// "level 100.002% (1.000015259254738), centre 1000 Hz, bandwidth 400 Hz"
std::string DescribeSettings(const EffectSettings& settings);
