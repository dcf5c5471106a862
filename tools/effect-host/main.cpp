// effect-host: the reference host for BandReject.dll.
#include <cstdio>
#include <cstring>

#include <objbase.h>

#include "tools/effect-host/commands.h"

namespace {
struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* usage;
};

const Command kCommands[] = {
    {"process", RunProcess,
     "process (IN.wav OUT.wav | IN.wav... --out-dir DIR [--jobs N]) [--same-format] [--block N] STAGE [--then STAGE]...\n"
     "    STAGE: [--preset-xml FILE | --preset-ini FILE --section NAME | --preset-reg KEY] [--cutoff HZ] [--bandwidth HZ]"
     " [--level PERCENT]\n"
     "        or --hum HZ [--harmonics N] [--bandwidth HZ]: N stages at HZ, 2 x HZ, ... (N 5 unless given)"},
    {"make-hum", RunMakeHum, "make-hum OUT.wav [--seconds S] [--rate HZ] [--hum HZ] [--harmonics N]"},
    {"level", RunLevel, "level IN.wav [--at HZ[,HZ]...]"},
    {"graph", RunGraph,
     "graph OUT.png [--cutoff HZ] [--bandwidth HZ] [--level PERCENT] [--preset-...] [--width PX] [--height PX]"},
    {"info", RunInfo, "info"},
    {"preset", RunPreset,
     "preset (--to-xml FILE | --to-ini FILE --to-section NAME | --to-reg KEY) [--preset-xml FILE | --preset-ini FILE"
     " --section NAME | --preset-reg KEY] [--cutoff HZ] [--bandwidth HZ] [--level PERCENT]"},
    {"settings", RunSettings,
     "settings [--preset-xml FILE | --preset-ini FILE --section NAME | --preset-reg KEY] [--cutoff HZ]"
     " [--bandwidth HZ] [--level PERCENT] [--screenshot FILE.png]"},
};

void PrintUsage(FILE* out)
{
    std::fprintf(out, "usage:\n");
    for (const Command& command : kCommands)
        std::fprintf(out, "  effect-host %s\n", command.usage);
    std::fprintf(out, "Checks of the plug-in against misbehaving hosts: validator.exe, beside this program.\n");
}
}  // namespace

int main(int argc, char** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // As any host does before it loads a plug-in.
    CoInitialize(nullptr);
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "help")) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const Command& command : kCommands) {
        if (std::strcmp(argv[1], command.name) != 0)
            continue;
        try {
            return command.run(argc - 2, argv + 2);
        } catch (const UsageError& error) {
            std::fprintf(stderr, "effect-host: %s\nusage: effect-host %s\n", error.what(), command.usage);
            return 2;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "effect-host: error: %s\n", error.what());
            return 1;
        }
    }
    std::fprintf(stderr, "effect-host: unknown command '%s'\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
