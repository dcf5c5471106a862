#include "tools/wav/byte_stream.h"

#include <cstring>

bool MemorySource::ReadAt(uint64_t position, void* data, uint32_t size)
{
    if (position > size_ || size > size_ - position)
        return false;
    if (size)
        std::memcpy(data, data_ + position, size);
    return true;
}

bool MemorySink::Write(const void* data, size_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), bytes, bytes + size);
    return true;
}
