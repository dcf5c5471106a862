// WAV files as effect-host reads and writes them: RIFF, RF64/BW64 and Sony Wave64 containers
// holding PCM of 8 to 32 bits, 32- or 64-bit float, A-law or µ-law, plain or
// WAVE_FORMAT_EXTENSIBLE, streamed a block of frames at a time as float samples. Chunks that
// do not describe the audio travel from the input to the output unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/wav/byte_stream.h"

class SampleEncoder;

struct WavError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class SampleEncoding { Pcm, Float, ALaw, MuLaw };
enum class WavContainer { Riff, Rf64, Bw64, Wave64 };

constexpr uint16_t kMaxWavChannels = 1024;

struct WavFormat {
    SampleEncoding encoding = SampleEncoding::Pcm;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;
    bool extensible = false;
    uint16_t validBits = 0;  // of an extensible format
    uint32_t channelMask = 0;

    uint32_t BytesPerFrame() const { return static_cast<uint32_t>(channels) * (bitsPerSample / 8); }
    std::string Describe() const;
};

// A chunk that effect-host copies: its identifier as the container spells it (4 bytes, or the
// 16-byte GUID in Wave64), where its body lies in the input, and on which side of the audio.
struct WavChunk {
    std::string id;
    uint64_t offset = 0;
    uint64_t size = 0;
    bool afterData = false;
};

class WavReader {
public:
    // Throws WavError for anything that is not a WAV file of a supported format.
    explicit WavReader(const std::string& path);
    // The same from any source; name stands for it in messages.
    WavReader(std::unique_ptr<ByteSource> source, const std::string& name);

    const std::string& Path() const { return path_; }
    const WavFormat& Format() const { return format_; }
    WavContainer Container() const { return container_; }
    uint64_t FrameCount() const { return frameCount_; }
    // Empty, or one line: how many frames the file lacks against what its header announces, or
    // that a chunk after the audio is cut off and left out.
    const std::string& Warning() const { return warning_; }
    const std::vector<WavChunk>& KeptChunks() const { return keptChunks_; }
    // Reads up to frames frames into per-channel buffers; returns how many it read.
    uint32_t ReadFrames(float* const* channels, uint32_t frames);
    // Lets the file go, so that it can be replaced.
    void Close() { source_.reset(); }

private:
    std::string path_;
    std::unique_ptr<ByteSource> source_;
    WavFormat format_;
    WavContainer container_ = WavContainer::Riff;
    uint64_t frameCount_ = 0;
    uint64_t framesLeft_ = 0;
    uint64_t nextFrameAt_ = 0;
    std::string warning_;
    std::vector<WavChunk> keptChunks_;
    std::vector<uint8_t> buffer_;
};

// What a WavWriter is to write: the format, the container asked for (RIFF becomes RF64 when
// the file would pass what RIFF can address), the exact frame count, and the input's chunks.
struct WavLayout {
    WavFormat format;
    WavContainer container = WavContainer::Riff;
    uint64_t frames = 0;
    std::string chunkSource;  // the file that KeptChunks refer to
    std::vector<WavChunk> chunks;
};

// Writes to a sink (a ReplacementFile for a path), put in place only by Finish: a failed run,
// the constructor's included, leaves no partial file and does not touch a file it would replace.
class WavWriter {
public:
    // Opens the source of the layout's chunks when the first of them is copied.
    using ChunkSourceOpener = std::function<std::unique_ptr<ByteSource>()>;

    WavWriter(const std::string& path, const WavLayout& layout);
    // The same to any sink; name stands for it in messages, layout.chunkSource is not used.
    WavWriter(const std::string& name, std::unique_ptr<ByteSink> output, ChunkSourceOpener openChunkSource,
              const WavLayout& layout);
    ~WavWriter();  // where SampleEncoder is complete
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    WavContainer Container() const { return layout_.container; }
    void WriteFrames(const float* const* channels, uint32_t frames);
    // Copies the chunks that follow the audio and replaces the target; the input must be closed
    // first when it is the target.
    void Finish();
    // Samples that did not fit the output's range and were limited to it.
    uint64_t ClippedSamples() const { return clipped_; }
    // Chunks that the output's container cannot name, left out.
    const std::vector<std::string>& DroppedChunks() const { return dropped_; }

private:
    void WriteChunks(bool afterData);
    void Write(const void* data, size_t size);

    std::string path_;
    std::unique_ptr<ByteSink> output_;
    ChunkSourceOpener openChunkSource_;
    WavLayout layout_;
    std::unique_ptr<SampleEncoder> encoder_;
    uint64_t framesWritten_ = 0;
    uint64_t clipped_ = 0;
    std::vector<std::string> dropped_;
    std::vector<uint8_t> buffer_;
};
