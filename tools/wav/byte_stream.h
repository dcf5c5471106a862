// Where a WAV reader takes its bytes and a writer puts them: a file for effect-host, memory for
// the tests and the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Throws WavError when the size cannot be told.
    virtual uint64_t Size() = 0;
    // Reads size bytes at position; false when they are not all there or reading fails.
    virtual bool ReadAt(uint64_t position, void* data, uint32_t size) = 0;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool Write(const void* data, size_t size) = 0;
    // Puts what was written in place; false when that fails.
    virtual bool Commit() = 0;
};

// Bytes that the caller keeps alive for as long as the source.
class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() override { return size_; }
    bool ReadAt(uint64_t position, void* data, uint32_t size) override;

private:
    const uint8_t* data_;
    size_t size_;
};

class MemorySink : public ByteSink {
public:
    bool Write(const void* data, size_t size) override;
    bool Commit() override { return true; }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};
