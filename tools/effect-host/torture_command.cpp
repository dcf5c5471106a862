// effect-host torture [--seed N] [--seeds K] [--quick]
#include <cstdio>

#include "commands.h"
#include "torture.h"

bool Campaign::Check(const std::string& name, bool passed, const std::string& detail)
{
    std::printf("%s: %s%s%s\n", passed ? "pass" : "FAIL", name.c_str(), detail.empty() ? "" : " -- ",
                detail.c_str());
    std::fflush(stdout);
    (passed ? passed_ : failed_)++;
    return passed;
}

int RunTorture(int argc, char** argv)
{
    Options options(argc, argv, {"quick"});
    options.Allow({"seed", "seeds", "quick"});
    const uint32_t firstSeed = options.Unsigned("seed", 1);
    const uint32_t seeds = options.Unsigned("seeds", 1);
    Plugin plugin;
    int passed = 0, failed = 0;
    for (uint32_t seed = firstSeed; seed < firstSeed + seeds; ++seed) {
        std::printf("seed %u\n", seed);
        Campaign campaign(plugin, seed, options.Has("quick"));
        CheckFormats(campaign);
        CheckDeliveries(campaign);
        CheckBadSamples(campaign);
        CheckFloatingPointState(campaign);
        CheckExtremeSettings(campaign);
        CheckLifecycle(campaign);
        CheckInstances(campaign);
        passed += campaign.Passed();
        failed += campaign.Failed();
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
