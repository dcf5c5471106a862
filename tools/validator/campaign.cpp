#include "tools/validator/campaign.h"

#include <cctype>
#include <cstdio>
#include <exception>

#include "tools/validator/resource_counts.h"
#include "tools/validator/scratch_space.h"
#include "tools/validator/self_run.h"

namespace {
// Time enough for the longest group's full run under an emulator.
constexpr DWORD kGroupTimeLimitMs = 60 * 60 * 1000;
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

void Campaign::Count(int passed, int failed)
{
    passed_ += passed;
    failed_ += failed;
}

const std::vector<CheckGroup>& CheckGroups()
{
    static const std::vector<CheckGroup> groups = {
        {"formats", CheckFormats, false, GroupCost::Quick},
        {"deliveries", CheckDeliveries, false, GroupCost::Full},
        {"bad-samples", CheckBadSamples, false, GroupCost::Quick},
        {"fp-state", CheckFloatingPointState, true, GroupCost::Quick},
        {"extreme-settings", CheckExtremeSettings, false, GroupCost::Quick},
        {"lifecycle", CheckLifecycle, false, GroupCost::Full},
        {"instances", CheckInstances, false, GroupCost::Full},
        {"windows", CheckSettingsWindows, true, GroupCost::Full},
        {"window-beside-stream", CheckWindowBesideStream, true, GroupCost::Full},
        {"stored-state", CheckStoredState, true, GroupCost::Quick},
        {"hostile-files", CheckHostileFiles, true, GroupCost::Full},
    };
    return groups;
}

const CheckGroup* FindGroup(const std::string& name)
{
    for (const CheckGroup& group : CheckGroups())
        if (name == group.name)
            return &group;
    return nullptr;
}

namespace {
void RunInOwnProcess(Campaign& campaign, const CheckGroup& group, const std::string& pluginPath)
{
    const std::string folder = ScratchFolder(std::string("group-") + group.name);
    const ChildRun run = RunSelf("\"" + pluginPath + "\" --only " + group.name + " --seed " +
                                     std::to_string(campaign.Seed()) + (campaign.Quick() ? " --quick" : "") +
                                     " --load-limit-ms " + std::to_string(campaign.LoadLimitMs()),
                                 folder, kGroupTimeLimitMs);
    // The child's check lines stand as they are; its header and summary are this run's own.
    int passed = -1, failed = -1;
    size_t begin = 0;
    while (begin < run.output.size()) {
        size_t end = run.output.find('\n', begin);
        if (end == std::string::npos)
            end = run.output.size();
        std::string line = run.output.substr(begin, end - begin);
        begin = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, 6, "pass: ") == 0 || line.compare(0, 6, "FAIL: ") == 0)
            std::printf("%s\n", line.c_str());
        else
            std::sscanf(line.c_str(), "%d passed, %d failed", &passed, &failed);  // NOLINT(cert-err34-c): a child's summary line; any other line leaves the counts as they were
    }
    std::fflush(stdout);
    if (run.finished && passed >= 0 && failed >= 0)
        campaign.Count(passed, failed);
    else
        campaign.Check(std::string(group.name) + ": the group's own process ended with its summary", false,
                       run.finished ? "exit code " + std::to_string(run.exitCode) : "ended after the time limit");
}
}  // namespace

void RunGroup(Campaign& campaign, const CheckGroup& group, bool ownProcess)
{
    const std::string failure = std::string(group.name) + ": the group ran to its end";
    try {
        if (ownProcess)
            RunInOwnProcess(campaign, group, campaign.Library().Path());
        else
            group.run(campaign);
    } catch (const std::exception& error) {
        campaign.Check(failure, false, error.what());
    } catch (...) {
        campaign.Check(failure, false, "an exception of no standard type");
    }
}
