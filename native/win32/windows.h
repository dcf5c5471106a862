// The few Win32 types, macros and calls that the natively built units and their tests use,
// with the values of the Windows headers. Anything more is a compile error here, which keeps
// the native units honest about how little of the platform they touch.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef int BOOL;

struct POINT {
    LONG x, y;
};
struct RECT {
    LONG left, top, right, bottom;
};

#define MAKELONG(low, high) ((LONG)(((WORD)((low) & 0xFFFF)) | ((DWORD)((WORD)((high) & 0xFFFF))) << 16))
#define LOWORD(l) ((WORD)((l) & 0xFFFF))
#define HIWORD(l) ((WORD)(((l) >> 16) & 0xFFFF))
#define LOBYTE(w) ((BYTE)((w) & 0xFF))
#define HIBYTE(w) ((BYTE)(((w) >> 8) & 0xFF))

#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define DS_SETFONT 0x40L
#define FW_NORMAL 400
#define DEFAULT_CHARSET 1

// Guard pages for the tests that prove a reader stays inside its bytes.
struct SYSTEM_INFO {
    DWORD dwPageSize;
};
inline void GetSystemInfo(SYSTEM_INFO* info) { info->dwPageSize = static_cast<DWORD>(sysconf(_SC_PAGESIZE)); }

#define MEM_COMMIT 0x1000
#define MEM_RESERVE 0x2000
#define MEM_RELEASE 0x8000
#define PAGE_NOACCESS 0x01
#define PAGE_READWRITE 0x04

namespace native_win32 {
// The size of each mapping, which munmap needs and VirtualFree is not given.
inline size_t& MappedSize()
{
    static size_t size = 0;
    return size;
}
}  // namespace native_win32

inline void* VirtualAlloc(void*, size_t size, DWORD, DWORD)
{
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    native_win32::MappedSize() = size;
    return block;
}
inline BOOL VirtualProtect(void* block, size_t size, DWORD protection, DWORD* previous)
{
    *previous = PAGE_READWRITE;
    return mprotect(block, size, protection == PAGE_NOACCESS ? PROT_NONE : PROT_READ | PROT_WRITE) == 0;
}
inline BOOL VirtualFree(void* block, size_t, DWORD) { return munmap(block, native_win32::MappedSize()) == 0; }
