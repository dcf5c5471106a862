#include "tools/shared/settings_record.h"

#include <utility>

SettingsRecord::SettingsRecord(const Plugin& plugin, EffectSettings* record)
    : free_(PLUGIN_EXPORT(plugin, Free)), record_(record)
{
}

SettingsRecord::SettingsRecord(SettingsRecord&& other) noexcept
    : free_(other.free_), record_(std::exchange(other.record_, nullptr))
{
}

SettingsRecord::~SettingsRecord()
{
    if (record_)
        free_(record_);
}
