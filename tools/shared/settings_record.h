// A settings record owned by the plug-in, released through its Free export.
#pragma once

#include "tools/shared/plugin_loader.h"

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
