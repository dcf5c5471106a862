#include "tools/shared/settings_record.h"

#include <utility>

SettingsRecord::SettingsRecord(SettingsRecord&& other) noexcept
    : free_(other.free_), record_(std::exchange(other.record_, nullptr))
{
}

void SettingsRecord::Reset()
{
    if (record_)
        free_(std::exchange(record_, nullptr));
}
