#include "settings_record.h"

#include <cstdio>
#include <utility>

#include "preset_xml.h"

namespace {
// What the plug-in loads from an empty store: the stored level 32767 taken as (x + 0.5) / 32767.
constexpr double kDefaultLevel = 1.000015259254738;
constexpr uint32_t kDefaultCentre = 1000;
constexpr uint32_t kDefaultBandwidth = 400;
}  // namespace

const std::vector<std::string> kSettingsOptions = {"cutoff", "bandwidth", "level", "preset-xml"};

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

namespace {
SettingsRecord DefaultSettings(const Plugin& plugin)
{
    EffectSettings defaults{};
    defaults.dryOut = defaults.volume2 = kDefaultLevel;
    defaults.cutOffFreq = kDefaultCentre;
    defaults.bandWidth = kDefaultBandwidth;
    EffectSettings* copy = nullptr;
    if (!PLUGIN_EXPORT(plugin, CopySettings)(&copy, &defaults) || !copy)
        throw HostError("the plug-in could not allocate a settings record");
    return SettingsRecord(plugin, copy);
}
}  // namespace

SettingsRecord StartingSettings(const Plugin& plugin, const Options& options)
{
    SettingsRecord record =
        options.Has("preset-xml") ? LoadPresetXml(plugin, options.Text("preset-xml")) : DefaultSettings(plugin);
    record->cutOffFreq = options.Unsigned("cutoff", record->cutOffFreq);
    record->bandWidth = options.Unsigned("bandwidth", record->bandWidth);
    if (options.Has("level"))
        record->dryOut = options.Number("level", 0) / 100.0;
    return record;
}

std::string DescribeSettings(const EffectSettings& settings)
{
    char text[160];
    std::snprintf(text, sizeof text, "level %.3f%% (%.16g), centre %u Hz, bandwidth %u Hz", settings.dryOut * 100.0,
                  settings.dryOut, settings.cutOffFreq, settings.bandWidth);
    return text;
}
