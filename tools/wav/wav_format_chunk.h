// The fmt chunk: which encodings effect-host takes, the names of those it refuses, and the
// chunk it writes for a format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/wav/wav_file.h"

// Throws WavError naming the encoding when it is not one effect-host reads.
WavFormat ParseFormatChunk(const std::vector<uint8_t>& fmt);
std::string FormatChunkBody(const WavFormat& format);
