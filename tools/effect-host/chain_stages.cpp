#include "tools/effect-host/chain_stages.h"

#include <cmath>
#include <cstring>

#include "tools/effect-host/starting_settings.h"

namespace {
const std::vector<std::string> kHumOptions = {"hum", "harmonics"};

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

void AddHumStages(const PluginLibrary& plugin, const Options& group, std::vector<ChainStage>& stages)
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

void AddStages(const PluginLibrary& plugin, const Options& group, std::vector<ChainStage>& stages)
{
    if (group.Has("hum"))
        return AddHumStages(plugin, group, stages);
    if (group.Has("harmonics"))
        throw UsageError("--harmonics goes with --hum HZ");
    stages.push_back({StartingSettings(plugin, group), false});
}
}  // namespace

std::vector<Options> StageGroups(int argc, char** argv, const std::vector<std::string>& commandOptions,
                                 const std::vector<std::string>& flags)
{
    std::vector<std::vector<char*>> words(1);
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--then") == 0)
            words.emplace_back();
        else
            words.back().push_back(argv[i]);
    }
    std::vector<std::string> settings = kSettingsOptions;
    settings.insert(settings.end(), kHumOptions.begin(), kHumOptions.end());
    std::vector<Options> groups;
    for (std::vector<char*>& group : words) {
        groups.emplace_back(static_cast<int>(group.size()), group.data(), flags);
        const Options& options = groups.back();
        if (groups.size() == 1) {
            std::vector<std::string> known = settings;
            known.insert(known.end(), commandOptions.begin(), commandOptions.end());
            options.Allow(known);
            continue;
        }
        for (const std::string& name : commandOptions)
            if (options.Has(name))
                throw UsageError("--" + name + " goes before the first --then");
        options.Allow(settings);
        if (!options.Positional().empty())
            throw UsageError("a stage after --then takes settings options, not '" + options.Positional()[0] + "'");
    }
    return groups;
}

std::vector<ChainStage> ChainStages(const PluginLibrary& plugin, const std::vector<Options>& groups)
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
