// Reading and writing RIFF WAVE files: PCM of 8, 16, 24 and 32 bits and 32-bit float, plain
// or WAVE_FORMAT_EXTENSIBLE, streamed a block of frames at a time as float samples.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "platform/handles.h"

struct WavError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct WavFormat {
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;
    bool isFloat = false;
    bool extensible = false;
    uint32_t channelMask = 0;

    uint16_t BytesPerFrame() const { return static_cast<uint16_t>(channels * (bitsPerSample / 8)); }
    std::string Describe() const;
};

class WavReader {
public:
    // Throws WavError for anything that is not a complete WAV file of a supported format.
    explicit WavReader(const std::string& path);

    const WavFormat& Format() const { return format_; }
    uint64_t FrameCount() const { return frameCount_; }
    // Reads up to frames frames into per-channel buffers; returns how many it read.
    uint32_t ReadFrames(float* const* channels, uint32_t frames);

private:
    FileHandle file_;
    WavFormat format_;
    uint64_t frameCount_ = 0;
    uint64_t framesLeft_ = 0;
    std::string buffer_;
};

// Writes to a temporary file beside the target and puts it in place only in Finish, so a
// failed run never leaves a partial file under the output name.
class WavWriter {
public:
    WavWriter(const std::string& path, const WavFormat& format);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    void WriteFrames(const float* const* channels, uint32_t frames);
    void Finish();
    // Samples that did not fit the integer format and were limited to its range.
    uint64_t ClippedSamples() const { return clipped_; }

private:
    void WriteHeader();
    void Write(const void* data, size_t size);

    std::string path_;
    std::string temporaryPath_;
    FileHandle file_;
    WavFormat format_;
    uint64_t dataBytes_ = 0;
    uint64_t clipped_ = 0;
    bool finished_ = false;
    std::string buffer_;
};
