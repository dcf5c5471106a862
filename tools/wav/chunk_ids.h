// Chunk identifiers across containers, and which chunks effect-host leaves out of its output.
// RIFF and RF64 name chunks by four characters; Wave64 by GUIDs, most of which embed them.
#pragma once

#include <string>

// The 16-byte Wave64 GUID of a four-character identifier.
std::string Wave64Id(const std::string& fourcc);
// The four characters a Wave64 GUID stands for, or an empty string when it stands for none.
std::string FourccOfWave64Id(const std::string& guid);
extern const std::string kWave64Riff;
extern const std::string kWave64Wave;

// Chunks that effect-host writes itself (fmt, fact, data, ds64) or leaves out because they
// describe the input's samples (peak levels, checksums) or only pad the file.
bool IsRewrittenOrLeftOut(const std::string& fourcc);
