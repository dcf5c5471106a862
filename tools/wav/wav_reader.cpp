#include <algorithm>

#include "chunk_ids.h"
#include "sample_codec.h"
#include "wav_container.h"
#include "wav_file.h"
#include "wav_format_chunk.h"

WavReader::WavReader(const std::string& path) : path_(path)
{
    file_.Attach(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_)
        throw WavError("cannot open " + path);
    WavContents contents = ReadContainer(file_, path);
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
    SeekTo(file_, contents.dataStart);
}

uint32_t WavReader::ReadFrames(float* const* channels, uint32_t frames)
{
    const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(frames, framesLeft_));
    buffer_.resize(static_cast<size_t>(count) * format_.BytesPerFrame());
    DWORD read = 0;
    if (count && (!ReadFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &read, nullptr) ||
                  read != buffer_.size()))
        throw WavError("cannot read " + path_);
    DecodeFrames(format_, buffer_.data(), channels, count);
    framesLeft_ -= count;
    return count;
}
