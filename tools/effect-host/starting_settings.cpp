#include "tools/effect-host/starting_settings.h"

#include <cstdio>

#include "tools/shared/preset_xml.h"

const std::vector<std::string> kSettingsOptions = {"cutoff",     "bandwidth",  "level",  "preset-xml",
                                                   "preset-ini", "preset-reg", "section"};

namespace {
// Initialize with no store gives the plug-in's defaults; LoadPreset reads an INI section or a
// registry key under HKEY_CURRENT_USER.
SettingsRecord LoadedSettings(const PluginLibrary& plugin, const char* fileName, const char* keyName, HKEY rootKey)
{
    EffectSettings* record = nullptr;
    const auto load = fileName || rootKey ? plugin.LoadPreset : plugin.Initialize;
    if (!load(fileName, keyName, rootKey, &record) || !record)
        throw HostError("the plug-in could not make a settings record");
    return SettingsRecord(plugin, record);
}

SettingsRecord SourceSettings(const PluginLibrary& plugin, const Options& options)
{
    const int sources = options.Has("preset-xml") + options.Has("preset-ini") + options.Has("preset-reg");
    if (sources > 1)
        throw UsageError("give at most one of --preset-xml, --preset-ini and --preset-reg");
    if (options.Has("preset-ini") != options.Has("section"))
        throw UsageError("--preset-ini FILE goes with --section NAME");
    if (options.Has("preset-xml"))
        return LoadPresetXml(plugin, options.Text("preset-xml"));
    if (options.Has("preset-ini")) {
        const std::string path = FullPath(options.Text("preset-ini"));
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            throw HostError("cannot read the preset " + path + ": no such file");
        return LoadedSettings(plugin, path.c_str(), options.Text("section").c_str(), nullptr);
    }
    if (options.Has("preset-reg")) {
        RegistryKey key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, options.Text("preset-reg").c_str(), 0, KEY_READ, key.Receive()) !=
            ERROR_SUCCESS)
            throw HostError("no registry key HKEY_CURRENT_USER\\" + options.Text("preset-reg"));
        return LoadedSettings(plugin, nullptr, options.Text("preset-reg").c_str(), HKEY_CURRENT_USER);
    }
    return LoadedSettings(plugin, nullptr, nullptr, nullptr);
}
}  // namespace

SettingsRecord StartingSettings(const PluginLibrary& plugin, const Options& options)
{
    SettingsRecord record = SourceSettings(plugin, options);
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
