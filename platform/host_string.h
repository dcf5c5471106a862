// A narrow string object in the layout of the host's C++ runtime (the classic MSVC 6 library,
// msvcp60.dll), so that strings inside shared objects can be created by one side and read,
// changed or destroyed by the other.
//
// Layout: {allocator byte padded to 4, ptr, len, res}. ptr points one past a reference-count
// byte at the start of a block of res + 2 bytes (count, characters, NUL) from the shared heap.
// A count of 0 means one owner; a copy may share the block by raising the count; 255 means
// frozen (never shared). An empty string may have a null ptr with len and res 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class HostString {
public:
    HostString() noexcept = default;
    ~HostString() { Release(); }
    HostString(const HostString&) = delete;
    HostString& operator=(const HostString&) = delete;

    // Gives the string its own copy of the text; a block shared with others is left to them.
    void Assign(const char* text, size_t length);
    void Assign(const std::string& text) { Assign(text.data(), text.size()); }
    std::string Str() const { return std::string(CStr(), length_); }
    const char* CStr() const noexcept { return ptr_ ? ptr_ : ""; }
    size_t Length() const noexcept { return length_; }
    // Back to the empty state with a null ptr, dropping this owner's share of the block.
    void Release() noexcept;

private:
    static constexpr uint8_t kFrozen = 255;
    // The runtime's smallest block: a request of n characters reserves n | 31.
    static constexpr size_t kMinimumReserve = 31;

    uint8_t& ReferenceCount() const noexcept { return reinterpret_cast<uint8_t*>(ptr_)[-1]; }
    bool Shared() const noexcept { return ptr_ && ReferenceCount() != 0 && ReferenceCount() != kFrozen; }

    uint8_t allocator_ = 0;     // NOLINT(clang-diagnostic-unused-private-field): the host's layout
    uint8_t padding_[3] = {};   // NOLINT(clang-diagnostic-unused-private-field): the host's layout
    char* ptr_ = nullptr;
    size_t length_ = 0;
    size_t reserved_ = 0;
};
#ifndef BANDREJECT_NATIVE  // the host's 32-bit layout
static_assert(sizeof(HostString) == 16, "the host's string object is 16 bytes");
#endif
