#include "tools/effect-host/chain_stages.h"

#include <cmath>
#include <cstring>

#include "starting_settings.h"

const std::vector<std::string> kHumOptions = {"hum", "harmonics"};

namespace {
// Wide enough that a hum which drifts a little stays inside, and that the notch settles
// within about 100 ms; narrow enough to leave music a few tens of hertz away alone.
constexpr uint32_t kHumBandwidth = 10;
constexpr uint32_t kDefaultHarmonics = 5;
constexpr double kHighestHum = 1000000.0;

bool HasSettings(const Options& group)
{
    for (const auto* names : {&kSettingsOptions, &kHumOptions})
        for (const std::string& name : *names)
            if (group.Has(name))
                return true;
    return false;
}

void AddHumStages(const Plugin& plugin, const Options& group, std::vector<ChainStage>& stages)
{
    for (const char* other : {"cutoff", "level", "preset-xml", "preset-ini", "preset-reg", "section"})
        if (group.Has(other))
            throw UsageError(std::string("--hum goes with --harmonics and --bandwidth, not --") + other);
    const double hum = group.Number("hum", 0.0);
    if (!(hum >= 1.0) || hum > kHighestHum || hum != std::floor(hum))
        throw UsageError("--hum takes a whole number of hertz from 1 to 1000000, not '" + group.Text("hum") + "'");
    const uint32_t harmonics = group.Unsigned("harmonics", kDefaultHarmonics);
    if (harmonics == 0 || harmonics > kMaxChainStages)
        throw UsageError("--harmonics takes 1 to " + std::to_string(kMaxChainStages));
    const uint32_t bandwidth = group.Unsigned("bandwidth", kHumBandwidth);
    for (uint32_t h = 1; h <= harmonics; ++h) {
        ChainStage stage{StartingSettings(plugin, group), true};
        stage.settings->cutOffFreq = h * static_cast<uint32_t>(hum);
        stage.settings->bandWidth = bandwidth;
        stages.push_back(std::move(stage));
    }
}

void AddStages(const Plugin& plugin, const Options& group, std::vector<ChainStage>& stages)
{
    if (group.Has("hum"))
        return AddHumStages(plugin, group, stages);
    if (group.Has("harmonics"))
        throw UsageError("--harmonics goes with --hum HZ");
    stages.push_back({StartingSettings(plugin, group), false});
}
}  // namespace

std::vector<std::vector<char*>> SplitAtThen(int argc, char** argv)
{
    std::vector<std::vector<char*>> groups(1);
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--then") == 0)
            groups.emplace_back();
        else
            groups.back().push_back(argv[i]);
    }
    return groups;
}

std::vector<ChainStage> ChainStages(const Plugin& plugin, const std::vector<Options>& groups)
{
    std::vector<ChainStage> stages;
    for (size_t g = 0; g < groups.size(); ++g) {
        const std::string name = "stage " + std::to_string(g + 1) + ": ";
        try {
            if (groups.size() > 1 && !HasSettings(groups[g]))
                throw UsageError("it is empty: give it --cutoff, --bandwidth, --level, a --preset-... or --hum");
            AddStages(plugin, groups[g], stages);
        } catch (const UsageError& error) {
            throw UsageError(groups.size() > 1 ? name + error.what() : error.what());
        } catch (const HostError& error) {
            throw HostError(groups.size() > 1 ? name + error.what() : error.what());
        }
        if (stages.size() > kMaxChainStages)
            throw UsageError("a chain takes at most " + std::to_string(kMaxChainStages) + " stages");
    }
    return stages;
}

std::string DescribeStages(const StreamChain& chain, const std::vector<size_t>& stages)
{
    std::string text;
    for (size_t stage : stages)
        text += (text.empty() ? "" : " then ") + DescribeSettings(chain.Settings(stage));
    return text;
}
