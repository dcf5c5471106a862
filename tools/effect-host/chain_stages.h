// The stages of process's chain as the command line gives them: groups of settings options
// separated by --then, each group one stage, or with --hum HZ [--harmonics N] [--bandwidth HZ]
// one stage per harmonic.
#pragma once

#include <string>
#include <vector>

#include "tools/effect-host/stream_chain.h"
#include "tools/shared/options.h"

// The command's words split at --then, one Options per group: the first holds the positional
// words and the command's own options (commandOptions, of which flags take no value) besides its
// stage's settings, the others settings only. Throws UsageError for a word out of place.
std::vector<Options> StageGroups(int argc, char** argv, const std::vector<std::string>& commandOptions,
                                 const std::vector<std::string>& flags);

// Throws UsageError (or HostError when a stage's settings cannot be read), naming the group
// when there are several, for an empty group, a bad --hum or more than kMaxChainStages stages.
std::vector<ChainStage> ChainStages(const PluginLibrary& plugin, const std::vector<Options>& groups);

// The stages' settings, one after another: "level ..., centre 50 Hz, bandwidth 10 Hz then ...".
std::string DescribeStages(const StreamChain& chain, const std::vector<size_t>& stages);
