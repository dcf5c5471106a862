// One input file through a chain of the plug-in's stream records into one output file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/effect-host/stream_chain.h"
#include "tools/wav/wav_file.h"

struct ProcessRequest {
    std::string input;
    std::string output;  // may be the input: it is replaced only once the new file is complete
    bool sameFormat = false;
    uint32_t hostBlock = 4096;
};

struct ProcessResult {
    uint64_t frames = 0;
    WavFormat inputFormat;
    WavFormat outputFormat;
    WavContainer outputContainer = WavContainer::Riff;
    uint64_t clipped = 0;
    std::vector<size_t> stages;  // the chain's stages that ran, in order
    std::vector<std::string> warnings;
    std::vector<std::string> notes;
};

// progress, when given, is called after every block. readInput reads the input's frames:
// by default the reader itself; tests stand in one that fails part way. A failure leaves no
// output and does not touch the file the output would replace.
using ProgressReport = std::function<void(uint64_t framesDone, uint64_t framesTotal, uint32_t sampleRate)>;
using InputReading = std::function<uint32_t(WavReader& reader, float* const* channels, uint32_t frames)>;
ProcessResult ProcessFile(const StreamChain& chain, const ProcessRequest& request,
                          const ProgressReport& progress = nullptr, const InputReading& readInput = nullptr);

const char* ContainerName(WavContainer container);
