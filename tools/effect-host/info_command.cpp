// effect-host info: what PlugInInfo fills in a 24-byte EffectInfo.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "tools/effect-host/commands.h"
#include "tools/shared/plugin_library.h"

int RunInfo(int argc, char** argv)
{
    Options options(argc, argv);
    options.Allow({});
    if (!options.Positional().empty())
        throw UsageError("info takes no arguments");

    PluginLibrary plugin;
    EffectInfo info;
    // Filled with a pattern first, so that a field the plug-in leaves alone shows.
    std::memset(&info, 0xbd, sizeof info);
    info.structSize = sizeof info;
    const uint32_t result = plugin.PlugInInfo(&info);
    std::printf("plugin: %s\n", plugin.Path().c_str());
    std::printf("PlugInInfo: %" PRIu32 "\n", result);
    if (!result)
        return 1;
    std::printf("structSize: %" PRIu32 "\n", info.structSize);
    std::printf("reserved: 0x%08" PRIX32 "\n", info.reserved);
    std::printf("effectName: %s\n", info.effectName ? info.effectName : "(null)");
    std::printf("vendorName: %s\n", info.vendorName ? info.vendorName : "(null)");
    std::printf("code1: 0x%08" PRIX32 "\n", info.code1);
    std::printf("code2: 0x%08" PRIX32 "\n", info.code2);
    return 0;
}
