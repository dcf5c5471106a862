// One input file through one of the plug-in's stream records into one output file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/shared/plugin_library.h"
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
    std::vector<std::string> warnings;
};

// record: a settings record of the plug-in's own that this call may open a stream on; it is
// closed again on return. progress, when given, is called after every block.
using ProgressReport = std::function<void(uint64_t framesDone, uint64_t framesTotal, uint32_t sampleRate)>;
ProcessResult ProcessFile(const PluginLibrary& plugin, EffectSettings* record, const ProcessRequest& request,
                          const ProgressReport& progress = nullptr);

const char* ContainerName(WavContainer container);
