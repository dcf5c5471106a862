#include "tools/wav/wav_container.h"

#include <algorithm>
#include <cstring>

#include "tools/wav/chunk_ids.h"
#include "tools/wav/little_endian.h"

namespace {
constexpr uint32_t kMaxFmtSize = 1024;
constexpr uint32_t kUnknownSize = 0xFFFFFFFFu;

struct Signature {
    size_t offset;
    const char* bytes;
    const char* kind;
};

// What other audio and RIFF files start with, to say what a refused file is.
const Signature kSignatures[] = {
    {0, "RIFX", "a big-endian WAV file (RIFX)"}, {8, "AIFF", "an AIFF file"}, {8, "AIFC", "an AIFF-C file"},
    {0, "fLaC", "a FLAC file"}, {0, "OggS", "an Ogg file"}, {0, "ID3", "an MP3 file"}, {0, ".snd", "a Sun/NeXT audio file"},
    {0, "caff", "a Core Audio file"}, {0, "MThd", "a MIDI file"}, {0, "wvpk", "a WavPack file"},
    {0, "MAC ", "a Monkey's Audio file"}, {8, "AVI ", "an AVI video"}, {4, "ftyp", "an MPEG-4 file"},
};

[[noreturn]] void RefuseAs(const std::string& path, const uint8_t* start, size_t length)
{
    for (const Signature& signature : kSignatures) {
        const size_t size = std::strlen(signature.bytes);
        if (length >= signature.offset + size && std::memcmp(start + signature.offset, signature.bytes, size) == 0)
            throw WavError("not a WAV file: " + path + " is " + signature.kind);
    }
    if (length >= 2 && start[0] == 0xFF && (start[1] & 0xE0) == 0xE0)
        throw WavError("not a WAV file: " + path + " is MPEG audio (MP3)");
    throw WavError("not a WAV file: " + path);
}

// The sizes an RF64 or BW64 file keeps in its ds64 chunk instead of the 32-bit fields.
struct Ds64 {
    uint64_t dataSize = 0;
    std::vector<std::pair<std::string, uint64_t>> table;
};

Ds64 ParseDs64(ByteSource& file, uint64_t body, uint32_t size)
{
    if (size < 28 || size > (1u << 20))
        throw WavError("malformed ds64 chunk");
    std::vector<uint8_t> bytes(size);
    ReadAt(file, body, bytes.data(), size);
    Ds64 ds64;
    ds64.dataSize = Read64(&bytes[8]);
    const uint32_t entries = std::min<uint32_t>(Read32(&bytes[24]), (size - 28) / 12);
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t* entry = &bytes[28 + 12 * i];
        ds64.table.emplace_back(std::string(reinterpret_cast<const char*>(entry), 4), Read64(entry + 4));
    }
    return ds64;
}

class ChunkWalk {
public:
    ChunkWalk(ByteSource& file, WavContents& contents) : file_(file), contents_(contents) {}

    // Takes one chunk; returns false when the walk ends with it.
    // body lies within the file; sizes are compared with what is left after it, as a 64-bit
    // size from ds64 or Wave64 would wrap body + size back into the file.
    bool Take(const std::string& id, const std::string& fourcc, uint64_t body, uint64_t size)
    {
        const uint64_t left = contents_.fileSize - body;
        if (fourcc == "fmt ") {
            if (size > kMaxFmtSize || size > left)
                throw WavError("truncated or malformed fmt chunk");
            contents_.fmt.resize(static_cast<size_t>(size));
            ReadAt(file_, body, contents_.fmt.data(), static_cast<uint32_t>(size));
            return true;
        }
        if (fourcc == "data") {
            haveData_ = true;
            contents_.dataStart = body;
            contents_.dataSize = size;
            return size < left;
        }
        if (size > left) {
            if (haveData_)
                contents_.warning = (fourcc.empty() ? std::string("a Wave64") : "the '" + fourcc + "'") +
                                    " chunk after the audio is cut off and left out";
            return false;
        }
        contents_.chunks.push_back({id, body, size, haveData_});
        return true;
    }

private:
    ByteSource& file_;
    WavContents& contents_;
    bool haveData_ = false;
};

void WalkRiff(ByteSource& file, WavContents& contents, uint32_t riffSize)
{
    ChunkWalk walk(file, contents);
    Ds64 ds64;
    for (uint64_t position = 12; position + 8 <= contents.fileSize;) {
        uint8_t header[8];
        ReadAt(file, position, header, 8);
        const std::string id(reinterpret_cast<const char*>(header), 4);
        const uint64_t body = position + 8;
        uint64_t size = Read32(header + 4);
        if (contents.container != WavContainer::Riff) {
            if (id == "ds64")
                ds64 = ParseDs64(file, body, static_cast<uint32_t>(size));
            else if (size == kUnknownSize && id == "data" && ds64.dataSize == 0) {
                // An RF64 stream whose writer never came back to fill in ds64.
                walk.Take(id, id, body, contents.fileSize - body);
                return;
            } else if (size == kUnknownSize && id == "data")
                size = ds64.dataSize;
            else if (size == kUnknownSize)
                for (const auto& entry : ds64.table)
                    if (entry.first == id)
                        size = entry.second;
        }
        if (id == "data" && contents.container == WavContainer::Riff) {
            // Streams written without their final size say 0 or 0xFFFFFFFF; take the rest of the file.
            // A 0 is a truly empty chunk when the RIFF size is known and reaches beyond it.
            const bool chunksFollow = riffSize != kUnknownSize && 8ULL + riffSize > body;
            if (size == kUnknownSize || (size == 0 && !chunksFollow)) {
                walk.Take(id, id, body, contents.fileSize - body);
                return;
            }
        }
        if (!walk.Take(id, id, body, size))
            return;
        position = body + size + (size & 1);
    }
}

void WalkWave64(ByteSource& file, WavContents& contents)
{
    ChunkWalk walk(file, contents);
    for (uint64_t position = 40; position + 24 <= contents.fileSize;) {
        uint8_t header[24];
        ReadAt(file, position, header, 24);
        const std::string id(reinterpret_cast<const char*>(header), 16);
        const uint64_t size = Read64(header + 16);
        if (size < 24)
            throw WavError("malformed Wave64 chunk size");
        if (!walk.Take(id, FourccOfWave64Id(id), position + 24, size - 24))
            return;
        position += (size + 7) & ~7ULL;
    }
}
}  // namespace

void ReadAt(ByteSource& file, uint64_t position, void* data, uint32_t size)
{
    if (!file.ReadAt(position, data, size))
        throw WavError("truncated file");
}

WavContents ReadContainer(ByteSource& file, const std::string& path)
{
    WavContents contents;
    contents.fileSize = file.Size();
    uint8_t start[40] = {};
    const size_t length = static_cast<size_t>(std::min<uint64_t>(contents.fileSize, sizeof start));
    if (length)
        ReadAt(file, 0, start, static_cast<uint32_t>(length));
    const std::string head(reinterpret_cast<const char*>(start), length);
    if (length >= 40 && head.compare(0, 16, kWave64Riff) == 0 && head.compare(24, 16, kWave64Wave) == 0) {
        contents.container = WavContainer::Wave64;
        WalkWave64(file, contents);
    } else if (length >= 12 && head.compare(8, 4, "WAVE") == 0 &&
               (head.compare(0, 4, "RIFF") == 0 || head.compare(0, 4, "RF64") == 0 || head.compare(0, 4, "BW64") == 0)) {
        contents.container = head[0] == 'R' ? (head[1] == 'I' ? WavContainer::Riff : WavContainer::Rf64) : WavContainer::Bw64;
        WalkRiff(file, contents, Read32(start + 4));
    } else {
        RefuseAs(path, start, length);
    }
    if (contents.fmt.empty())
        throw WavError("not a WAV file: " + path + " has no fmt chunk");
    if (contents.dataStart == 0)
        throw WavError("truncated file: " + path + " has no data chunk");
    return contents;
}
