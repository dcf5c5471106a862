// Finding the format, the audio and the other chunks in a RIFF, RF64/BW64 or Wave64 file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/wav/wav_file.h"

struct WavContents {
    WavContainer container = WavContainer::Riff;
    std::vector<uint8_t> fmt;
    uint64_t dataStart = 0;
    uint64_t dataSize = 0;   // as the file announces it, or the rest of the file for a stream
    uint64_t fileSize = 0;
    std::vector<WavChunk> chunks;  // all others, in file order
    std::string warning;           // about chunks that the file cuts off
};

// Throws WavError saying what the file is when it is not one of these containers.
WavContents ReadContainer(ByteSource& file, const std::string& path);

// Reads size bytes at position, throwing WavError("truncated file") when they are not there.
void ReadAt(ByteSource& file, uint64_t position, void* data, uint32_t size);
