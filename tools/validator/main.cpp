// validator [PLUGIN.dll] [--seed N] [--seeds K] [--quick] [--only GROUP] [--cost quick] [--no-display]
//           [--isolate] [--load-limit-ms MS]
// (validator PLUGIN.dll --probe startup|preset [--file FILE] is one hostile-file load, run by the campaign.)
#include <cstdio>
#include <cstring>

#include <objbase.h>

#include "tools/shared/options.h"
#include "tools/validator/campaign.h"
#include "tools/validator/scratch_space.h"

namespace {
const char kUsage[] = "validator [PLUGIN.dll] [--seed N] [--seeds K] [--quick] [--only GROUP] [--cost quick] "
                      "[--no-display] [--isolate] [--load-limit-ms MS]";

// Which groups a run takes, from its options.
struct Selection {
    const CheckGroup* only = nullptr;
    bool quickCostOnly = false;
    bool withoutDisplay = false;

    bool Takes(const CheckGroup& group) const
    {
        return (!only || only == &group) && (!quickCostOnly || group.cost == GroupCost::Quick) &&
               !(withoutDisplay && group.needsDisplay);
    }
};

Selection Select(const Options& options)
{
    Selection selection;
    const std::string only = options.Text("only");
    if (!only.empty()) {
        selection.only = FindGroup(only);
        if (!selection.only)
            throw UsageError("--only takes the name of a group of checks, not '" + only + "'");
    }
    const std::string cost = options.Text("cost");
    if (!cost.empty() && cost != "quick")
        throw UsageError("--cost takes 'quick', not '" + cost + "'");
    selection.quickCostOnly = !cost.empty();
    selection.withoutDisplay = options.Has("no-display");
    return selection;
}

int Validate(int argc, char** argv)
{
    Options options(argc, argv, {"quick", "no-display", "isolate"});
    const auto& positional = options.Positional();
    if (positional.size() > 1)
        throw UsageError("give at most one plug-in");
    const std::string path = positional.empty() ? DefaultPluginPath() : positional[0];
    if (options.Has("probe")) {
        options.Allow({"probe", "file"});
        return RunFileProbe(path, options.Text("probe"), options.Text("file"));
    }
    options.Allow({"seed", "seeds", "quick", "only", "cost", "no-display", "isolate", "load-limit-ms"});
    const Selection selection = Select(options);
    const uint32_t firstSeed = options.Unsigned("seed", 1);
    const uint32_t seeds = options.Unsigned("seeds", 1);
    const PluginLibrary plugin(path);
    std::printf("plug-in %s\n", plugin.Path().c_str());
    int passed = 0, failed = 0;
    for (uint32_t seed = firstSeed; seed < firstSeed + seeds; ++seed) {
        std::printf("seed %u\n", seed);
        Campaign campaign(plugin, seed, options.Has("quick"),
                          options.Unsigned("load-limit-ms", Campaign::kDefaultLoadLimitMs));
        for (const CheckGroup& group : CheckGroups())
            if (selection.Takes(group))
                RunGroup(campaign, group, options.Has("isolate"));
        passed += campaign.Passed();
        failed += campaign.Failed();
    }
    RemoveScratchFolders();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}

void PrintHelp()
{
    std::printf("usage: %s\ngroups:", kUsage);
    for (const CheckGroup& group : CheckGroups())
        std::printf(" %s", group.name);
    std::printf("\nfull cost (left out by --cost quick):");
    for (const CheckGroup& group : CheckGroups())
        if (group.cost == GroupCost::Full)
            std::printf(" %s", group.name);
    std::printf("\nneed a display (left out by --no-display):");
    for (const CheckGroup& group : CheckGroups())
        if (group.needsDisplay)
            std::printf(" %s", group.name);
    std::printf("\n");
}
}  // namespace

int main(int argc, char** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // As any host does before it loads a plug-in.
    CoInitialize(nullptr);
    if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "help"))) {
        PrintHelp();
        return 0;
    }
    try {
        return Validate(argc - 1, argv + 1);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "validator: %s\nusage: %s\n", error.what(), kUsage);
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "validator: error: %s\n", error.what());
        return 1;
    }
}
