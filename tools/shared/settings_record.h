// A settings record the plug-in made, released through its Free export once its owner goes.
#pragma once

#include "tools/shared/plugin_library.h"

class SettingsRecord {
public:
    explicit SettingsRecord(const PluginLibrary& plugin, EffectSettings* record = nullptr)
        : free_(plugin.Free), record_(record)
    {
    }
    ~SettingsRecord() { Reset(); }
    SettingsRecord(SettingsRecord&& other) noexcept;
    SettingsRecord(const SettingsRecord&) = delete;
    SettingsRecord& operator=(const SettingsRecord&) = delete;

    EffectSettings* Get() const { return record_; }
    EffectSettings* operator->() const { return record_; }
    explicit operator bool() const { return record_ != nullptr; }
    // For the exports that return a record through a pointer; frees what is held first.
    EffectSettings** Receive()
    {
        Reset();
        return &record_;
    }
    void Reset();

private:
    decltype(&::Free) free_;
    EffectSettings* record_;
};
