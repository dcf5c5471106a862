#include "platform/host_string.h"

#include <cstring>
#include <new>

#include "platform/host_heap.h"

void HostString::Release() noexcept
{
    if (ptr_) {
        if (Shared())
            --ReferenceCount();
        else
            HostHeap::Release(ptr_ - 1);
    }
    ptr_ = nullptr;
    length_ = 0;
    reserved_ = 0;
}

void HostString::Assign(const char* text, size_t length)
{
    if (length == 0) {
        Release();
        return;
    }
    // As the runtime's assignment does: an own block that fits and is not oversized is reused,
    // anything else is replaced by a fresh block.
    if (Shared() || !ptr_ || reserved_ < length || reserved_ > kMinimumReserve) {
        if (length > SIZE_MAX - 2 - kMinimumReserve)
            throw std::bad_alloc();
        const size_t reserve = length | kMinimumReserve;
        char* block = static_cast<char*>(HostHeap::Allocate(reserve + 2));
        Release();
        block[0] = 0;
        ptr_ = block + 1;
        reserved_ = reserve;
    }
    std::memmove(ptr_, text, length);
    ptr_[length] = '\0';
    length_ = length;
}
