// effect-host preset: saves the settings given on the command line into one of the three
// stores, as a host saves a user's preset.
#include <cstdio>

#include "tools/effect-host/commands.h"
#include "tools/shared/preset_xml.h"
#include "tools/shared/settings_record.h"

int RunPreset(int argc, char** argv)
{
    Options options(argc, argv);
    std::vector<std::string> known = kSettingsOptions;
    known.insert(known.end(), {"to-ini", "to-section", "to-reg", "to-xml"});
    options.Allow(known);
    if (!options.Positional().empty())
        throw UsageError("preset takes options only");
    const int targets = options.Has("to-ini") + options.Has("to-reg") + options.Has("to-xml");
    if (targets != 1)
        throw UsageError("give exactly one of --to-ini FILE --to-section NAME, --to-reg KEY and --to-xml FILE");
    if (options.Has("to-ini") != options.Has("to-section"))
        throw UsageError("--to-ini FILE goes with --to-section NAME");

    PluginLibrary plugin;
    SettingsRecord settings = StartingSettings(plugin, options);
    std::string target;
    if (options.Has("to-xml")) {
        target = FullPath(options.Text("to-xml"));
        SavePresetXmlFile(plugin, target, *settings.Get());
    } else if (options.Has("to-ini")) {
        target = FullPath(options.Text("to-ini"));
        plugin.SavePreset(target.c_str(), options.Text("to-section").c_str(), nullptr, settings.Get());
        target += " [" + options.Text("to-section") + "]";
    } else {
        target = "HKEY_CURRENT_USER\\" + options.Text("to-reg");
        if (!plugin.SavePreset(nullptr, options.Text("to-reg").c_str(), HKEY_CURRENT_USER,
                                               settings.Get()))
            throw HostError("cannot create the registry key " + target);
    }
    std::printf("saved %s to %s\n", DescribeSettings(*settings.Get()).c_str(), target.c_str());
    return 0;
}
