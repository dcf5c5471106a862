// A settings record owned by the plug-in, released through its Free export.
#pragma once

#include "options.h"
#include "plugin.h"

class SettingsRecord {
public:
    SettingsRecord(const Plugin& plugin, EffectSettings* record);
    ~SettingsRecord();
    SettingsRecord(SettingsRecord&& other) noexcept;
    SettingsRecord(const SettingsRecord&) = delete;
    SettingsRecord& operator=(const SettingsRecord&) = delete;

    EffectSettings* Get() const { return record_; }
    EffectSettings* operator->() const { return record_; }

private:
    decltype(&::Free) free_;
    EffectSettings* record_;
};

// The settings a command starts from: the plug-in's defaults (Initialize with no store), or the
// record made from a preset: --preset-xml FILE (InitializeXml), --preset-ini FILE --section NAME
// or --preset-reg KEY under HKEY_CURRENT_USER (LoadPreset); then --cutoff HZ, --bandwidth HZ
// and --level PERCENT written into the record as a host may.
SettingsRecord StartingSettings(const Plugin& plugin, const Options& options);
extern const std::vector<std::string> kSettingsOptions;

// The profile functions look for a bare file name in the Windows folder: paths are made full.
std::string FullPath(const std::string& path);

// "level 100.002% (1.000015259254738), centre 1000 Hz, bandwidth 400 Hz"
std::string DescribeSettings(const EffectSettings& settings);
