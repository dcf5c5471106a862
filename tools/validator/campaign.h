// The validator's campaign: a seeded, bounded campaign that loads the plug-in as a host does and
// checks how it holds up against misbehaving hosts, edge formats and hostile files. Its checks
// come in groups; each group is registered with what it needs and what it costs.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tools/shared/plugin_library.h"

class Campaign {
public:
    // What one hostile file's load may take, process start included, unless told otherwise.
    static constexpr uint32_t kDefaultLoadLimitMs = 2000;

    Campaign(const PluginLibrary& plugin, uint32_t seed, bool quick, uint32_t loadLimitMs = kDefaultLoadLimitMs)
        : plugin_(plugin), seed_(seed), quick_(quick), loadLimitMs_(loadLimitMs), random_(seed)
    {
    }

    // Prints one line for the check and counts it.
    bool Check(const std::string& name, bool passed, const std::string& detail = "");
    // run(warmUp) first, to fill the allocator's caches; then run(count) must leave the heap,
    // handles, GDI objects and windows where they were.
    bool CheckNoGrowth(const std::string& name, int warmUp, int count, const std::function<void(int)>& run);
    // Checks counted elsewhere (a group run in a process of its own).
    void Count(int passed, int failed);

    const PluginLibrary& Library() const { return plugin_; }
    uint32_t Seed() const { return seed_; }
    bool Quick() const { return quick_; }
    uint32_t LoadLimitMs() const { return loadLimitMs_; }
    std::mt19937& Random() { return random_; }
    int Passed() const { return passed_; }
    int Failed() const { return failed_; }

private:
    const PluginLibrary& plugin_;
    uint32_t seed_;
    bool quick_;
    uint32_t loadLimitMs_;
    std::mt19937 random_;
    int passed_ = 0;
    int failed_ = 0;
};

enum class GroupCost {
    Quick,  // seconds even in a full run
    Full,   // minutes in a full run: many windows, cycles or processes
};

struct CheckGroup {
    const char* name;
    void (*run)(Campaign&);
    bool needsDisplay;  // creates windows
    GroupCost cost;
};

// Every group, in the order a campaign runs them.
const std::vector<CheckGroup>& CheckGroups();
const CheckGroup* FindGroup(const std::string& name);

// Runs the group, in this process or in one of its own (this program with --only, its check
// lines printed and counted here). An exception thrown out of the group, a crash or a hang of
// its process is one failed check, and the campaign goes on.
void RunGroup(Campaign& campaign, const CheckGroup& group, bool ownProcess);

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
