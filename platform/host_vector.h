// A growable array in the layout of the host's C++ runtime's vector: {allocator byte padded
// to 4, first, last, end}, its element array allocated from the shared heap. It grows as that
// runtime does (the new capacity is the size plus the larger of the size and 1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/host_heap.h"

// T must be relocatable by copying its bytes (true of the host-layout strings, which hold no
// pointer into themselves).
template <typename T>
class HostVector {
public:
    HostVector() noexcept = default;
    ~HostVector() { Clear(); }
    HostVector(const HostVector&) = delete;
    HostVector& operator=(const HostVector&) = delete;

    size_t Size() const noexcept { return static_cast<size_t>(last_ - first_); }
    T* begin() noexcept { return first_; }
    T* end() noexcept { return last_; }
    const T* begin() const noexcept { return first_; }
    const T* end() const noexcept { return last_; }
    T& operator[](size_t index) noexcept { return first_[index]; }
    const T& operator[](size_t index) const noexcept { return first_[index]; }

    // A default-constructed element appended at the end.
    T& EmplaceBack()
    {
        if (last_ == end_)
            Grow();
        T* element = new (last_) T();
        ++last_;
        return *element;
    }

    // Destroys every element and releases the array.
    void Clear() noexcept
    {
        for (T* element = first_; element != last_; ++element)
            element->~T();
        HostHeap::Release(first_);
        first_ = last_ = end_ = nullptr;
    }

private:
    void Grow()
    {
        const size_t size = Size();
        const size_t capacity = size + (size > 0 ? size : 1);
        if (capacity > SIZE_MAX / sizeof(T))
            throw std::bad_alloc();
        T* array = static_cast<T*>(HostHeap::Allocate(capacity * sizeof(T)));
        if (size)
            std::memcpy(static_cast<void*>(array), static_cast<const void*>(first_), size * sizeof(T));
        HostHeap::Release(first_);
        first_ = array;
        last_ = array + size;
        end_ = array + capacity;
    }

    uint8_t allocator_ = 0;
    uint8_t padding_[3] = {};
    T* first_ = nullptr;
    T* last_ = nullptr;
    T* end_ = nullptr;
};
