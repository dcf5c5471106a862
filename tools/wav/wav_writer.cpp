#include <algorithm>

#include "tools/wav/chunk_ids.h"
#include "tools/wav/little_endian.h"
#include "tools/wav/sample_codec.h"
#include "tools/wav/wav_container.h"
#include "tools/wav/wav_file.h"
#include "tools/wav/wav_format_chunk.h"

namespace {
constexpr uint64_t kRiffLimit = 0xFFFFFFFFULL;
constexpr size_t kCopyBlock = 1 << 16;

bool IsWave64(WavContainer container) { return container == WavContainer::Wave64; }
bool HasDs64(WavContainer container) { return container == WavContainer::Rf64 || container == WavContainer::Bw64; }
bool NeedsFact(const WavFormat& format) { return format.encoding != SampleEncoding::Pcm; }

// The bytes a chunk takes with its header and padding.
uint64_t ChunkSpan(WavContainer container, uint64_t size)
{
    return IsWave64(container) ? 24 + ((size + 7) & ~7ULL) : 8 + size + (size & 1);
}

std::string ChunkHeader(WavContainer container, const std::string& id, uint64_t size)
{
    std::string header = id;
    if (IsWave64(container))
        Append64(header, size + 24);
    else
        Append32(header, size > kRiffLimit ? 0xFFFFFFFFu : static_cast<uint32_t>(size));
    return header;
}

// Chunks named as the container names them; those it cannot name are left out.
std::vector<WavChunk> RenameFor(WavContainer container, const std::vector<WavChunk>& chunks,
                                std::vector<std::string>& dropped)
{
    std::vector<WavChunk> renamed;
    for (WavChunk chunk : chunks) {
        if (IsWave64(container) && chunk.id.size() == 4)
            chunk.id = Wave64Id(chunk.id);
        else if (!IsWave64(container) && chunk.id.size() == 16)
            chunk.id = FourccOfWave64Id(chunk.id);
        if (chunk.id.empty() || (!IsWave64(container) && chunk.size > kRiffLimit)) {
            dropped.push_back(chunk.id.empty() ? "a Wave64 chunk without a RIFF name" : "'" + chunk.id + "'");
            continue;
        }
        renamed.push_back(chunk);
    }
    return renamed;
}

uint64_t TotalSize(WavContainer container, const std::string& fmt, bool fact, uint64_t dataBytes,
                   const std::vector<WavChunk>& chunks)
{
    uint64_t total = IsWave64(container) ? 40 : 12;
    if (HasDs64(container))
        total += ChunkSpan(container, 28);
    total += ChunkSpan(container, fmt.size()) + (fact ? ChunkSpan(container, 4) : 0) + ChunkSpan(container, dataBytes);
    for (const WavChunk& chunk : chunks)
        total += ChunkSpan(container, chunk.size);
    return total;
}

void Pad(std::string& out, WavContainer container, uint64_t size)
{
    const uint64_t padding = ChunkSpan(container, size) - size - (IsWave64(container) ? 24 : 8);
    out.append(static_cast<size_t>(padding), '\0');
}
}  // namespace

WavWriter::WavWriter(const std::string& name, std::unique_ptr<ByteSink> output, ChunkSourceOpener openChunkSource,
                     const WavLayout& layout)
    : path_(name), output_(std::move(output)), openChunkSource_(std::move(openChunkSource)), layout_(layout),
      encoder_(new SampleEncoder(layout.format))
{
    WavContainer& container = layout_.container;
    layout_.chunks = RenameFor(container, layout.chunks, dropped_);
    const std::string fmt = FormatChunkBody(layout_.format);
    const bool fact = NeedsFact(layout_.format) && !IsWave64(container);
    const uint64_t dataBytes = layout_.frames * layout_.format.BytesPerFrame();
    // As the common tools do: a file too large for RIFF's 32-bit sizes becomes RF64.
    if (container == WavContainer::Riff && TotalSize(container, fmt, fact, dataBytes, layout_.chunks) - 8 > kRiffLimit)
        container = WavContainer::Rf64;
    const uint64_t total = TotalSize(container, fmt, fact, dataBytes, layout_.chunks);

    std::string h;
    if (IsWave64(container)) {
        h = kWave64Riff;
        Append64(h, total);
        h += kWave64Wave;
    } else {
        h = container == WavContainer::Riff ? "RIFF" : container == WavContainer::Rf64 ? "RF64" : "BW64";
        Append32(h, HasDs64(container) ? 0xFFFFFFFFu : static_cast<uint32_t>(total - 8));
        h += "WAVE";
    }
    if (HasDs64(container)) {
        h += ChunkHeader(container, "ds64", 28);
        Append64(h, total - 8);
        Append64(h, dataBytes);
        Append64(h, layout_.frames);
        Append32(h, 0);
    }
    const auto id = [container](const char* fourcc) { return IsWave64(container) ? Wave64Id(fourcc) : fourcc; };
    h += ChunkHeader(container, id("fmt "), fmt.size()) + fmt;
    Pad(h, container, fmt.size());
    if (fact) {
        h += ChunkHeader(container, "fact", 4);
        Append32(h, static_cast<uint32_t>(std::min<uint64_t>(layout_.frames, 0xFFFFFFFFu)));
    }
    Write(h.data(), h.size());
    WriteChunks(false);
    // RF64 readers take the data size from ds64 when the chunk's own says 0xFFFFFFFF. An empty
    // chunk says 0: with 0 in ds64 too, readers take it for a stream whose writer never came
    // back, and read the chunks after it as audio.
    h = ChunkHeader(container, id("data"), HasDs64(container) && dataBytes != 0 ? kRiffLimit : dataBytes);
    Write(h.data(), h.size());
}

WavWriter::~WavWriter() = default;

void WavWriter::Write(const void* data, size_t size)
{
    if (!output_->Write(data, size))
        throw WavError("cannot write " + path_ + " (disk full?)");
}

void WavWriter::WriteChunks(bool afterData)
{
    std::unique_ptr<ByteSource> source;
    std::string pad;
    for (const WavChunk& chunk : layout_.chunks) {
        if (chunk.afterData != afterData)
            continue;
        if (!source)
            source = openChunkSource_();
        const std::string header = ChunkHeader(layout_.container, chunk.id, chunk.size);
        Write(header.data(), header.size());
        buffer_.resize(kCopyBlock);
        for (uint64_t done = 0; done < chunk.size;) {
            const uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(kCopyBlock, chunk.size - done));
            ReadAt(*source, chunk.offset + done, buffer_.data(), piece);
            Write(buffer_.data(), piece);
            done += piece;
        }
        pad.clear();
        Pad(pad, layout_.container, chunk.size);
        Write(pad.data(), pad.size());
    }
}

void WavWriter::WriteFrames(const float* const* channels, uint32_t frames)
{
    if (framesWritten_ + frames > layout_.frames)
        throw WavError("more frames for " + path_ + " than it was laid out for");
    buffer_.resize(static_cast<size_t>(frames) * layout_.format.BytesPerFrame());
    clipped_ += encoder_->Encode(channels, frames, buffer_.data());
    Write(buffer_.data(), buffer_.size());
    framesWritten_ += frames;
}

void WavWriter::Finish()
{
    if (framesWritten_ != layout_.frames)
        throw WavError(std::to_string(framesWritten_) + " frames written to " + path_ + " of " +
                       std::to_string(layout_.frames) + " laid out");
    std::string pad;
    Pad(pad, layout_.container, framesWritten_ * layout_.format.BytesPerFrame());
    Write(pad.data(), pad.size());
    WriteChunks(true);
    if (!output_->Commit())
        throw WavError("cannot replace " + path_ + " (open in another program, or read-only?)");
}
