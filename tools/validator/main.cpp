// validator [PLUGIN.dll] [--seed N] [--seeds K] [--quick] [--only GROUP]
// (validator PLUGIN.dll --probe startup|preset [--file FILE] is one hostile-file load, run by the campaign.)
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>

#include <objbase.h>

#include "tools/shared/options.h"
#include "tools/validator/campaign.h"
#include "tools/validator/resource_counts.h"
#include "tools/validator/scratch_space.h"

namespace {
const char kUsage[] = "validator [PLUGIN.dll] [--seed N] [--seeds K] [--quick] [--only GROUP]";

const struct {
    const char* name;
    void (*run)(Campaign&);
} kGroups[] = {
    {"formats", CheckFormats},
    {"deliveries", CheckDeliveries},
    {"bad-samples", CheckBadSamples},
    {"fp-state", CheckFloatingPointState},
    {"extreme-settings", CheckExtremeSettings},
    {"lifecycle", CheckLifecycle},
    {"instances", CheckInstances},
    {"windows", CheckSettingsWindows},
    {"window-beside-stream", CheckWindowBesideStream},
    {"stored-state", CheckStoredState},
    {"hostile-files", CheckHostileFiles},
};
}  // namespace

bool Campaign::CheckNoGrowth(const std::string& name, int warmUp, int count, const std::function<void(int)>& run)
{
    run(warmUp);
    const ResourceCounts before = ResourceCounts::Now();
    run(count);
    const ResourceCounts after = ResourceCounts::Now();
    return Check(name, before.NoGrowth(after), before.Growth(after));
}

bool Campaign::Check(const std::string& name, bool passed, const std::string& detail)
{
    // One line per check: a detail that holds a child's output is folded onto it.
    std::string line;
    for (char c : detail)
        if (c == '\n')
            line += " / ";
        else if (c != '\r')
            line += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    std::printf("%s: %s%s%s\n", passed ? "pass" : "FAIL", name.c_str(), line.empty() ? "" : " -- ", line.c_str());
    std::fflush(stdout);
    (passed ? passed_ : failed_)++;
    return passed;
}

namespace {
int Validate(int argc, char** argv)
{
    Options options(argc, argv, {"quick"});
    const auto& positional = options.Positional();
    if (positional.size() > 1)
        throw UsageError("give at most one plug-in");
    const std::string path = positional.empty() ? DefaultPluginPath() : positional[0];
    if (options.Has("probe")) {
        options.Allow({"probe", "file"});
        return RunFileProbe(path, options.Text("probe"), options.Text("file"));
    }
    options.Allow({"seed", "seeds", "quick", "only"});
    const std::string only = options.Text("only");
    if (!only.empty() && std::none_of(std::begin(kGroups), std::end(kGroups),
                                      [&](const auto& group) { return only == group.name; }))
        throw UsageError("--only takes the name of a group of checks, not '" + only + "'");
    const uint32_t firstSeed = options.Unsigned("seed", 1);
    const uint32_t seeds = options.Unsigned("seeds", 1);
    Plugin plugin(path);
    std::printf("plug-in %s\n", plugin.Path().c_str());
    int passed = 0, failed = 0;
    for (uint32_t seed = firstSeed; seed < firstSeed + seeds; ++seed) {
        std::printf("seed %u\n", seed);
        Campaign campaign(plugin, seed, options.Has("quick"));
        for (const auto& group : kGroups)
            if (only.empty() || only == group.name)
                group.run(campaign);
        passed += campaign.Passed();
        failed += campaign.Failed();
    }
    RemoveScratchFolders();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
}  // namespace

int main(int argc, char** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // As any host does before it loads a plug-in.
    CoInitialize(nullptr);
    if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "help"))) {
        std::printf("usage: %s\ngroups:", kUsage);
        for (const auto& group : kGroups)
            std::printf(" %s", group.name);
        std::printf("\n");
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
