#include "wav_file.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The KSDATAFORMAT_SUBTYPE GUIDs share everything but their first two bytes.
const uint8_t kSubtypeTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                  0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr uint64_t kRiffLimit = 0xFFFFFFFFull - 64;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
void Put16(std::string& out, uint32_t v) { out.append({char(v), char(v >> 8)}); }
void Put32(std::string& out, uint32_t v) { out.append({char(v), char(v >> 8), char(v >> 16), char(v >> 24)}); }

uint64_t FileSize(HANDLE file)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size))
        throw WavError("cannot read the file size");
    return static_cast<uint64_t>(size.QuadPart);
}

void ReadExactly(HANDLE file, void* data, DWORD size)
{
    DWORD read = 0;
    if (!ReadFile(file, data, size, &read, nullptr) || read != size)
        throw WavError("truncated file");
}

void Seek(HANDLE file, uint64_t position)
{
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(file, to, nullptr, FILE_BEGIN))
        throw WavError("cannot seek in the file");
}

WavFormat ParseFormat(const std::vector<uint8_t>& fmt)
{
    if (fmt.size() < 16)
        throw WavError("malformed fmt chunk");
    WavFormat format;
    uint16_t tag = U16(&fmt[0]);
    format.channels = U16(&fmt[2]);
    format.sampleRate = U32(&fmt[4]);
    const uint16_t blockAlign = U16(&fmt[12]);
    format.bitsPerSample = U16(&fmt[14]);
    if (tag == kFormatExtensible) {
        if (fmt.size() < 40 || U16(&fmt[16]) < 22)
            throw WavError("malformed WAVE_FORMAT_EXTENSIBLE fmt chunk");
        format.extensible = true;
        format.channelMask = U32(&fmt[20]);
        if (std::memcmp(&fmt[26], kSubtypeTail, sizeof kSubtypeTail) != 0)
            throw WavError("unsupported format: unknown WAVE_FORMAT_EXTENSIBLE sub-format");
        tag = U16(&fmt[24]);
    }
    if (tag == kFormatFloat && format.bitsPerSample == 32)
        format.isFloat = true;
    else if (tag != kFormatPcm)
        throw WavError("unsupported format: format tag " + std::to_string(tag) +
                       (tag == kFormatFloat ? " with " + std::to_string(format.bitsPerSample) + " bits" : ""));
    else if (format.bitsPerSample != 8 && format.bitsPerSample != 16 && format.bitsPerSample != 24 &&
             format.bitsPerSample != 32)
        throw WavError("unsupported format: " + std::to_string(format.bitsPerSample) + "-bit PCM");
    if (format.channels < 1 || format.channels > 10)
        throw WavError("unsupported format: " + std::to_string(format.channels) +
                       " channels (1 to 10 are supported)");
    if (format.sampleRate == 0)
        throw WavError("unsupported format: sample rate 0");
    if (blockAlign != format.BytesPerFrame())
        throw WavError("malformed fmt chunk: block alignment does not match the sample size");
    return format;
}

float DecodeSample(const uint8_t* p, const WavFormat& format)
{
    switch (format.bitsPerSample) {
    case 8:
        return (static_cast<int>(p[0]) - 128) * (1.0f / 128.0f);
    case 16:
        return static_cast<int16_t>(U16(p)) * (1.0f / 32768.0f);
    case 24:
        return static_cast<float>(static_cast<int32_t>(p[0] << 8 | p[1] << 16 | static_cast<uint32_t>(p[2]) << 24) *
                                  (1.0 / 2147483648.0));
    default:
        if (format.isFloat) {
            float value;
            std::memcpy(&value, p, sizeof value);
            return value;
        }
        return static_cast<float>(static_cast<int32_t>(U32(p)) * (1.0 / 2147483648.0));
    }
}
}  // namespace

std::string WavFormat::Describe() const
{
    return std::to_string(channels) + " channel(s), " + std::to_string(sampleRate) + " Hz, " +
           std::to_string(bitsPerSample) + "-bit " + (isFloat ? "float" : "PCM") + (extensible ? " (extensible)" : "");
}

WavReader::WavReader(const std::string& path)
{
    file_.Attach(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_)
        throw WavError("cannot open " + path);
    const uint64_t size = FileSize(file_);
    uint8_t riff[12];
    if (size < 12)
        throw WavError("not a WAV file: " + path);
    ReadExactly(file_, riff, 12);
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        throw WavError("not a WAV file: " + path);

    std::vector<uint8_t> fmt;
    uint64_t dataStart = 0, dataSize = 0;
    bool haveData = false;
    for (uint64_t position = 12; position + 8 <= size;) {
        uint8_t header[8];
        Seek(file_, position);
        ReadExactly(file_, header, 8);
        const uint32_t chunkSize = U32(header + 4);
        const uint64_t body = position + 8;
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (chunkSize > 1024 || body + chunkSize > size)
                throw WavError("truncated or malformed fmt chunk");
            fmt.resize(chunkSize);
            ReadExactly(file_, fmt.data(), chunkSize);
        } else if (std::memcmp(header, "data", 4) == 0) {
            dataStart = body;
            dataSize = chunkSize;
            haveData = true;
            // Streams written without their final size say 0 or 0xFFFFFFFF; take the rest of the file.
            // A 0 is a truly empty chunk when the RIFF size is known and reaches beyond it.
            const uint32_t riffSize = U32(riff + 4);
            const bool chunksFollow = riffSize != 0xFFFFFFFFu && 8ull + riffSize > body;
            if (chunkSize == 0xFFFFFFFFu || (chunkSize == 0 && !chunksFollow))
                dataSize = size - body;
            break;
        }
        position = body + chunkSize + (chunkSize & 1);
    }
    if (fmt.empty())
        throw WavError("not a WAV file: no fmt chunk");
    format_ = ParseFormat(fmt);
    if (!haveData)
        throw WavError("truncated file: no data chunk");
    if (dataStart + dataSize > size)
        throw WavError("truncated file: the data chunk announces " + std::to_string(dataSize) + " bytes, " +
                       std::to_string(size - dataStart) + " are there");
    frameCount_ = framesLeft_ = dataSize / format_.BytesPerFrame();
    Seek(file_, dataStart);
}

uint32_t WavReader::ReadFrames(float* const* channels, uint32_t frames)
{
    const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(frames, framesLeft_));
    const uint32_t frameBytes = format_.BytesPerFrame();
    buffer_.resize(static_cast<size_t>(count) * frameBytes);
    if (count)
        ReadExactly(file_, &buffer_[0], static_cast<DWORD>(buffer_.size()));
    const auto* p = reinterpret_cast<const uint8_t*>(buffer_.data());
    const uint32_t sampleBytes = format_.bitsPerSample / 8;
    for (uint32_t j = 0; j < count; ++j)
        for (uint16_t k = 0; k < format_.channels; ++k, p += sampleBytes)
            channels[k][j] = DecodeSample(p, format_);
    framesLeft_ -= count;
    return count;
}

WavWriter::WavWriter(const std::string& path, const WavFormat& format)
    : path_(path), temporaryPath_(path + ".partial"), format_(format)
{
    file_.Attach(CreateFileA(temporaryPath_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_)
        throw WavError("cannot create " + temporaryPath_);
    WriteHeader();
}

WavWriter::~WavWriter()
{
    if (!finished_) {
        file_.Reset();
        DeleteFileA(temporaryPath_.c_str());
    }
}

void WavWriter::WriteHeader()
{
    const bool floatData = format_.isFloat;
    const uint16_t bytesPerFrame = format_.BytesPerFrame();
    std::string h;
    h += "RIFF";
    const uint32_t fmtSize = format_.extensible ? 40 : floatData ? 18 : 16;
    const uint32_t factSize = floatData ? 12 : 0;
    const uint64_t riffSize = 4 + (8 + fmtSize) + factSize + 8 + dataBytes_ + (dataBytes_ & 1);
    Put32(h, static_cast<uint32_t>(riffSize));
    h += "WAVEfmt ";
    Put32(h, fmtSize);
    Put16(h, format_.extensible ? kFormatExtensible : floatData ? kFormatFloat : kFormatPcm);
    Put16(h, format_.channels);
    Put32(h, format_.sampleRate);
    Put32(h, format_.sampleRate * bytesPerFrame);
    Put16(h, bytesPerFrame);
    Put16(h, format_.bitsPerSample);
    if (format_.extensible) {
        Put16(h, 22);
        Put16(h, format_.bitsPerSample);
        Put32(h, format_.channelMask);
        Put16(h, floatData ? kFormatFloat : kFormatPcm);
        h.append(reinterpret_cast<const char*>(kSubtypeTail), sizeof kSubtypeTail);
    } else if (floatData) {
        Put16(h, 0);
    }
    if (floatData) {
        h += "fact";
        Put32(h, 4);
        Put32(h, static_cast<uint32_t>(dataBytes_ / bytesPerFrame));
    }
    h += "data";
    Put32(h, static_cast<uint32_t>(dataBytes_));
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file_, start, nullptr, FILE_BEGIN))
        throw WavError("cannot write " + temporaryPath_);
    Write(h.data(), h.size());
}

void WavWriter::Write(const void* data, size_t size)
{
    DWORD written = 0;
    if (!WriteFile(file_, data, static_cast<DWORD>(size), &written, nullptr) || written != size)
        throw WavError("cannot write " + temporaryPath_ + " (disk full?)");
}

void WavWriter::WriteFrames(const float* const* channels, uint32_t frames)
{
    const uint32_t sampleBytes = format_.bitsPerSample / 8;
    buffer_.resize(static_cast<size_t>(frames) * format_.BytesPerFrame());
    auto* p = reinterpret_cast<uint8_t*>(&buffer_[0]);
    const double scale = format_.isFloat ? 1.0 : std::ldexp(1.0, format_.bitsPerSample - 1);
    for (uint32_t j = 0; j < frames; ++j) {
        for (uint16_t k = 0; k < format_.channels; ++k, p += sampleBytes) {
            const float sample = channels[k][j];
            if (format_.isFloat) {
                std::memcpy(p, &sample, sizeof sample);
                continue;
            }
            double scaled = std::nearbyint(sample * scale);
            if (!(scaled < scale) || !(scaled >= -scale)) {
                ++clipped_;
                scaled = std::isnan(scaled) ? 0.0 : scaled > 0 ? scale - 1 : -scale;
            }
            const int32_t value = static_cast<int32_t>(scaled);
            if (sampleBytes == 1)
                p[0] = static_cast<uint8_t>(value + 128);
            else
                for (uint32_t b = 0; b < sampleBytes; ++b)
                    p[b] = static_cast<uint8_t>(value >> (8 * b));
        }
    }
    if (dataBytes_ + buffer_.size() > kRiffLimit)
        throw WavError("output larger than a WAV file can hold");
    Write(buffer_.data(), buffer_.size());
    dataBytes_ += buffer_.size();
}

void WavWriter::Finish()
{
    if (dataBytes_ & 1)
        Write("", 1);
    WriteHeader();
    file_.Reset();
    if (!MoveFileExA(temporaryPath_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING))
        throw WavError("cannot move " + temporaryPath_ + " to " + path_);
    finished_ = true;
}
