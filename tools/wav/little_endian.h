// Little-endian integers in byte buffers, as RIFF-style files store them.
#pragma once

#include <cstdint>
#include <string>

inline uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Read32(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t Read64(const uint8_t* p) { return Read32(p) | static_cast<uint64_t>(Read32(p + 4)) << 32; }

inline void Append16(std::string& out, uint32_t v) { out.append({char(v), char(v >> 8)}); }
inline void Append32(std::string& out, uint32_t v) { out.append({char(v), char(v >> 8), char(v >> 16), char(v >> 24)}); }
inline void Append64(std::string& out, uint64_t v)
{
    Append32(out, static_cast<uint32_t>(v));
    Append32(out, static_cast<uint32_t>(v >> 32));
}
