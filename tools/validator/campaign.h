// The validator's torture campaign: a seeded, bounded campaign that loads the plug-in as a host
// does and checks how it holds up against misbehaving hosts, edge formats and hostile files.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "tools/shared/plugin_loader.h"

class Campaign {
public:
    Campaign(const Plugin& plugin, uint32_t seed, bool quick) : plugin_(plugin), seed_(seed), quick_(quick), random_(seed) {}

    // Prints one line for the check and counts it.
    bool Check(const std::string& name, bool passed, const std::string& detail = "");
    // run(warmUp) first, to fill the allocator's caches; then run(count) must leave the heap,
    // handles, GDI objects and windows where they were.
    bool CheckNoGrowth(const std::string& name, int warmUp, int count, const std::function<void(int)>& run);

    const Plugin& Library() const { return plugin_; }
    uint32_t Seed() const { return seed_; }
    bool Quick() const { return quick_; }
    std::mt19937& Random() { return random_; }
    int Passed() const { return passed_; }
    int Failed() const { return failed_; }

private:
    const Plugin& plugin_;
    uint32_t seed_;
    bool quick_;
    std::mt19937 random_;
    int passed_ = 0;
    int failed_ = 0;
};

void CheckFormats(Campaign& campaign);
void CheckDeliveries(Campaign& campaign);
void CheckBadSamples(Campaign& campaign);
void CheckFloatingPointState(Campaign& campaign);
void CheckExtremeSettings(Campaign& campaign);
void CheckLifecycle(Campaign& campaign);
void CheckInstances(Campaign& campaign);
void CheckSettingsWindows(Campaign& campaign);
void CheckWindowBesideStream(Campaign& campaign);
void CheckStoredState(Campaign& campaign);
void CheckHostileFiles(Campaign& campaign);

// The child side of CheckHostileFiles: one start-up or preset load of the plug-in at pluginPath
// in a process of its own, reported as name=value lines. Returns the exit code.
int RunFileProbe(const std::string& pluginPath, const std::string& kind, const std::string& file);
