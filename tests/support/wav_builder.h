// Byte-exact WAV files for the tests: any container, fmt chunk and other chunks, placed before
// or after the audio, with sizes the test may then falsify.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

inline void PutLe(std::string& out, uint64_t value, int bytes)
{
    for (int b = 0; b < bytes; ++b)
        out += static_cast<char>(value >> (8 * b));
}

inline uint64_t GetLe(const std::string& in, size_t at, int bytes)
{
    uint64_t value = 0;
    for (int b = bytes - 1; b >= 0; --b)
        value = value << 8 | static_cast<uint8_t>(in[at + b]);
    return value;
}

// G.711's decoded values as its tables give them: a sign, a segment and four mantissa bits.
inline int G711ALawValue(uint8_t code)
{
    const int bits = code ^ 0x55, segment = (bits >> 4) & 7, mantissa = bits & 15;
    const int magnitude = segment == 0 ? (2 * mantissa + 1) * 8 : (2 * mantissa + 33) * 8 << (segment - 1);
    return bits & 0x80 ? magnitude : -magnitude;
}

inline int G711MuLawValue(uint8_t code)
{
    const int bits = ~code & 0xFF;
    const int magnitude = ((2 * (bits & 15) + 33) << (((bits >> 4) & 7) + 2)) - 132;
    return bits & 0x80 ? -magnitude : magnitude;
}

// fmt chunk bodies. tag: 1 PCM, 3 float, 6 A-law, 7 µ-law.
inline std::string FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, bool extensible = false,
                           uint16_t validBits = 0, uint32_t channelMask = 0)
{
    const uint16_t frameBytes = static_cast<uint16_t>(channels * bits / 8);
    std::string fmt;
    PutLe(fmt, extensible ? 0xFFFE : tag, 2);
    PutLe(fmt, channels, 2);
    PutLe(fmt, rate, 4);
    PutLe(fmt, static_cast<uint64_t>(rate) * frameBytes, 4);
    PutLe(fmt, frameBytes, 2);
    PutLe(fmt, bits, 2);
    if (extensible) {
        PutLe(fmt, 22, 2);
        PutLe(fmt, validBits ? validBits : bits, 2);
        PutLe(fmt, channelMask, 4);
        PutLe(fmt, tag, 2);
        fmt += std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    } else if (tag != 1) {
        PutLe(fmt, 0, 2);
    }
    return fmt;
}

// A Wave64 GUID for a four-character identifier (LIST and the file header have their own).
inline std::string W64Id(const std::string& fourcc)
{
    if (fourcc == "riff")
        return std::string("riff\x2E\x91\xCF\x11\xA5\xD6\x28\xDB\x04\xC1\x00\x00", 16);
    if (fourcc == "LIST")
        return std::string("list\x2F\x91\xCF\x11\xA5\xD6\x28\xDB\x04\xC1\x00\x00", 16);
    return fourcc + std::string("\xF3\xAC\xD3\x11\x8C\xD1\x00\xC0\x4F\x8E\xDB\x8A", 12);
}

struct WavBuilder {
    std::string container = "RIFF";  // RIFF, RF64, BW64 or W64
    std::string fmt;
    std::string data;
    std::vector<std::pair<std::string, std::string>> before, after;  // (four-character id, body)

    std::string Chunk(const std::string& id, const std::string& body, uint64_t announced) const
    {
        std::string out;
        if (container == "W64") {
            out = id.size() == 16 ? id : W64Id(id);
            PutLe(out, announced + 24, 8);
            out += body;
            out.append((8 - body.size() % 8) % 8, '\0');
        } else {
            out = id;
            PutLe(out, container != "RIFF" && id == "data" ? 0xFFFFFFFFu : announced, 4);
            out += body;
            if (body.size() & 1)
                out += '\0';
        }
        return out;
    }

    std::string Build() const
    {
        std::string chunks;
        if (container == "RF64" || container == "BW64")
            chunks += Chunk("ds64", std::string(28, '\0'), 28);
        chunks += Chunk("fmt ", fmt, fmt.size());
        for (const auto& chunk : before)
            chunks += Chunk(chunk.first, chunk.second, chunk.second.size());
        chunks += Chunk("data", data, data.size());
        for (const auto& chunk : after)
            chunks += Chunk(chunk.first, chunk.second, chunk.second.size());
        std::string file;
        if (container == "W64") {
            file = W64Id("riff");
            PutLe(file, 40 + chunks.size(), 8);
            file += W64Id("wave") + chunks;
            return file;
        }
        file = container;
        PutLe(file, container == "RIFF" ? 4 + chunks.size() : 0xFFFFFFFFu, 4);
        file += "WAVE" + chunks;
        if (container != "RIFF") {
            const size_t ds64 = 20;
            for (int b = 0; b < 8; ++b) {
                file[ds64 + b] = static_cast<char>((file.size() - 8) >> (8 * b));
                file[ds64 + 8 + b] = static_cast<char>(static_cast<uint64_t>(data.size()) >> (8 * b));
            }
        }
        return file;
    }
};

// The chunks of a RIFF, RF64/BW64 or Wave64 file in order: (identifier, body), where Wave64
// identifiers that spell four characters are given as those.
inline std::vector<std::pair<std::string, std::string>> Chunks(const std::string& file)
{
    std::vector<std::pair<std::string, std::string>> chunks;
    const bool w64 = file.compare(0, 4, "riff") == 0;
    uint64_t ds64Data = 0;
    for (size_t at = w64 ? 40 : 12; at + (w64 ? 24 : 8) <= file.size();) {
        std::string id = file.substr(at, w64 ? 16 : 4);
        uint64_t size = w64 ? GetLe(file, at + 16, 8) - 24 : GetLe(file, at + 4, 4);
        const size_t body = at + (w64 ? 24 : 8);
        if (w64 && id.compare(4, 12, W64Id("data"), 4, 12) == 0)
            id = id.substr(0, 4);
        else if (w64 && id == W64Id("LIST"))
            id = "LIST";
        if (id == "ds64")
            ds64Data = GetLe(file, body + 8, 8);
        if (id == "data" && size == 0xFFFFFFFFu && !w64)
            size = ds64Data;
        chunks.emplace_back(id, file.substr(body, static_cast<size_t>(size)));
        at = body + static_cast<size_t>(w64 ? (size + 7) & ~7ULL : size + (size & 1));
    }
    return chunks;
}

inline std::string ChunkBody(const std::string& file, const std::string& id)
{
    for (const auto& chunk : Chunks(file))
        if (chunk.first == id)
            return chunk.second;
    return "";
}
