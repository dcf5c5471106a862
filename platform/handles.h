// Owning, move-only wrappers for Win32 handles. Each kind names its null value and how it is
// released; the owner releases exactly once, on every path.
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Detach()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle Get() const noexcept { return handle_; }
    operator Handle() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::Null(); }

    // For functions that return a handle through a pointer; releases what is held first.
    Handle* Receive() noexcept
    {
        Reset();
        return &handle_;
    }
    void Attach(Handle handle) noexcept { Reset(handle); }
    Handle Detach() noexcept { return std::exchange(handle_, Traits::Null()); }
    void Reset(Handle handle = Traits::Null()) noexcept
    {
        if (handle_ != Traits::Null())
            Traits::Release(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::Null();
};

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Null() { return nullptr; }
    static void Release(Handle h) { FreeLibrary(h); }
};
using ModuleHandle = UniqueHandle<ModuleTraits>;

struct KernelObjectTraits {
    using Handle = HANDLE;
    static Handle Null() { return nullptr; }
    static void Release(Handle h) { CloseHandle(h); }
};
using KernelHandle = UniqueHandle<KernelObjectTraits>;

struct FileTraits {
    using Handle = HANDLE;
    static Handle Null() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle h) { CloseHandle(h); }
};
using FileHandle = UniqueHandle<FileTraits>;

// FindFirstFile's search handle: FindClose, not CloseHandle, ends it.
struct FindTraits {
    using Handle = HANDLE;
    static Handle Null() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle h) { FindClose(h); }
};
using FindHandle = UniqueHandle<FindTraits>;

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Null() { return nullptr; }
    static void Release(Handle h) { RegCloseKey(h); }
};
using RegistryKey = UniqueHandle<RegistryKeyTraits>;
