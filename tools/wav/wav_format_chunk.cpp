#include "tools/wav/wav_format_chunk.h"

#include <cstdio>
#include <cstring>

#include "tools/wav/little_endian.h"

namespace {
constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagALaw = 6;
constexpr uint16_t kTagMuLaw = 7;
constexpr uint16_t kTagExtensible = 0xFFFE;
// The KSDATAFORMAT_SUBTYPE GUIDs of the WAVE format tags share everything but their first two bytes.
const uint8_t kSubtypeTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                  0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct TagName {
    uint16_t tag;
    const char* name;
};

// Encodings that common recorders and converters put in WAV files.
const TagName kRefusedTags[] = {
    {0x0002, "Microsoft ADPCM"},  {0x0011, "IMA ADPCM"},         {0x0014, "G.723 ADPCM"},
    {0x0022, "DSP Group TrueSpeech"}, {0x0031, "GSM 6.10"},     {0x0040, "G.721 ADPCM"},
    {0x0050, "MPEG audio"},       {0x0055, "MPEG Layer 3 (MP3)"}, {0x0064, "G.726 ADPCM"},
    {0x0092, "Dolby AC-3 (S/PDIF)"}, {0x00FF, "AAC"},            {0x0160, "Windows Media Audio"},
    {0x0161, "Windows Media Audio"}, {0x0162, "Windows Media Audio Pro"},
    {0x0163, "Windows Media Audio Lossless"}, {0x1610, "AAC (ADTS)"}, {0x2000, "Dolby AC-3"},
    {0x2001, "DTS"},              {0xF1AC, "FLAC"},
};

std::string TagDescription(uint16_t tag)
{
    for (const TagName& entry : kRefusedTags)
        if (entry.tag == tag)
            return entry.name;
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", tag);
    return std::string("format tag ") + hex;
}

SampleEncoding EncodingOf(uint16_t tag, uint16_t bits)
{
    const std::string size = std::to_string(bits) + "-bit ";
    switch (tag) {
    case kTagPcm:
        if (bits == 8 || bits == 16 || bits == 24 || bits == 32)
            return SampleEncoding::Pcm;
        throw WavError("unsupported format: " + size + "PCM");
    case kTagFloat:
        if (bits == 32 || bits == 64)
            return SampleEncoding::Float;
        throw WavError("unsupported format: " + size + "float");
    case kTagALaw:
    case kTagMuLaw:
        if (bits == 8)
            return tag == kTagALaw ? SampleEncoding::ALaw : SampleEncoding::MuLaw;
        throw WavError("unsupported format: " + size + (tag == kTagALaw ? "A-law" : "µ-law"));
    default:
        throw WavError("unsupported format: " + TagDescription(tag) + " (only PCM, float, A-law and µ-law are read)");
    }
}

uint16_t TagOf(SampleEncoding encoding)
{
    switch (encoding) {
    case SampleEncoding::Float:
        return kTagFloat;
    case SampleEncoding::ALaw:
        return kTagALaw;
    case SampleEncoding::MuLaw:
        return kTagMuLaw;
    default:
        return kTagPcm;
    }
}
}  // namespace

std::string WavFormat::Describe() const
{
    const char* names[] = {"PCM", "float", "A-law", "µ-law"};
    return std::to_string(channels) + " channel(s), " + std::to_string(sampleRate) + " Hz, " +
           std::to_string(bitsPerSample) + "-bit " + names[static_cast<int>(encoding)] +
           (extensible ? " (extensible)" : "");
}

WavFormat ParseFormatChunk(const std::vector<uint8_t>& fmt)
{
    if (fmt.size() < 16)
        throw WavError("malformed fmt chunk");
    WavFormat format;
    uint16_t tag = Read16(fmt.data());
    format.channels = Read16(&fmt[2]);
    format.sampleRate = Read32(&fmt[4]);
    const uint16_t blockAlign = Read16(&fmt[12]);
    format.bitsPerSample = Read16(&fmt[14]);
    if (tag == kTagExtensible) {
        if (fmt.size() < 40 || Read16(&fmt[16]) < 22)
            throw WavError("malformed WAVE_FORMAT_EXTENSIBLE fmt chunk");
        format.extensible = true;
        format.validBits = Read16(&fmt[18]);
        format.channelMask = Read32(&fmt[20]);
        if (std::memcmp(&fmt[26], kSubtypeTail, sizeof kSubtypeTail) != 0)
            throw WavError("unsupported format: unknown WAVE_FORMAT_EXTENSIBLE sub-format");
        tag = Read16(&fmt[24]);
    }
    format.encoding = EncodingOf(tag, format.bitsPerSample);
    if (format.channels < 1 || format.channels > kMaxWavChannels)
        throw WavError("unsupported format: " + std::to_string(format.channels) + " channels (1 to " +
                       std::to_string(kMaxWavChannels) + " are supported)");
    if (format.sampleRate == 0)
        throw WavError("unsupported format: sample rate 0");
    if (blockAlign != format.BytesPerFrame())
        throw WavError("malformed fmt chunk: block alignment does not match the sample size");
    return format;
}

std::string FormatChunkBody(const WavFormat& format)
{
    const uint32_t frameBytes = format.BytesPerFrame();
    std::string body;
    Append16(body, format.extensible ? kTagExtensible : TagOf(format.encoding));
    Append16(body, format.channels);
    Append32(body, format.sampleRate);
    Append32(body, format.sampleRate * frameBytes);
    Append16(body, frameBytes);
    Append16(body, format.bitsPerSample);
    if (format.extensible) {
        Append16(body, 22);
        Append16(body, format.validBits ? format.validBits : format.bitsPerSample);
        Append32(body, format.channelMask);
        Append16(body, TagOf(format.encoding));
        body.append(reinterpret_cast<const char*>(kSubtypeTail), sizeof kSubtypeTail);
    } else if (format.encoding != SampleEncoding::Pcm) {
        Append16(body, 0);
    }
    return body;
}
