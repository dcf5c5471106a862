#include <algorithm>

#include "tools/wav/chunk_ids.h"
#include "tools/wav/sample_codec.h"
#include "tools/wav/wav_container.h"
#include "tools/wav/wav_file.h"
#include "tools/wav/wav_format_chunk.h"

WavReader::WavReader(std::unique_ptr<ByteSource> source, const std::string& name)
    : path_(name), source_(std::move(source))
{
    WavContents contents = ReadContainer(*source_, path_);
    container_ = contents.container;
    format_ = ParseFormatChunk(contents.fmt);

    const uint32_t frameBytes = format_.BytesPerFrame();
    const uint64_t there = std::min(contents.dataSize, contents.fileSize - contents.dataStart);
    frameCount_ = framesLeft_ = there / frameBytes;
    if (there < contents.dataSize || there % frameBytes != 0) {
        warning_ = "the data chunk announces " + std::to_string(contents.dataSize) + " bytes (" +
                   std::to_string(contents.dataSize / frameBytes) + " whole frames), the file holds " +
                   std::to_string(frameCount_) + "; processing those";
    } else {
        warning_ = contents.warning;
    }
    for (const WavChunk& chunk : contents.chunks) {
        const std::string fourcc = container_ == WavContainer::Wave64 ? FourccOfWave64Id(chunk.id) : chunk.id;
        if (!IsRewrittenOrLeftOut(fourcc))
            keptChunks_.push_back(chunk);
    }
    nextFrameAt_ = contents.dataStart;
}

uint32_t WavReader::ReadFrames(float* const* channels, uint32_t frames)
{
    const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(frames, framesLeft_));
    buffer_.resize(static_cast<size_t>(count) * format_.BytesPerFrame());
    if (count && !source_->ReadAt(nextFrameAt_, buffer_.data(), static_cast<uint32_t>(buffer_.size())))
        throw WavError("cannot read " + path_);
    DecodeFrames(format_, buffer_.data(), channels, count);
    framesLeft_ -= count;
    nextFrameAt_ += buffer_.size();
    return count;
}
