// The stages of process's chain as the command line gives them: groups of settings options
// separated by --then, each group one stage, or with --hum HZ [--harmonics N] [--bandwidth HZ]
// one stage per harmonic.
#pragma once

#include <string>
#include <vector>

#include "options.h"
#include "tools/effect-host/stream_chain.h"

// The words before the first --then, and those of each group after one.
std::vector<std::vector<char*>> SplitAtThen(int argc, char** argv);

// Options a group may hold besides those StartingSettings reads.
extern const std::vector<std::string> kHumOptions;

// Throws UsageError (or HostError when a stage's settings cannot be read), naming the group
// when there are several, for an empty group, a bad --hum or more than kMaxChainStages stages.
std::vector<ChainStage> ChainStages(const Plugin& plugin, const std::vector<Options>& groups);

// The stages' settings, one after another: "level ..., centre 50 Hz, bandwidth 10 Hz then ...".
std::string DescribeStages(const StreamChain& chain, const std::vector<size_t>& stages);
