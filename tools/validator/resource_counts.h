// What a check that must leave nothing behind counts: the process's heap, handles, GDI objects
// and the calling thread's windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Live GDI objects of the process: GetGuiResources where the system keeps the count, otherwise
// the entries of the handle table that still name an object.
DWORD LiveGdiObjects();
// Windows owned by the calling thread, children included.
DWORD ThreadWindows();
// Delivers everything queued for the calling thread.
void PumpMessages();

struct ResourceCounts {
    uint64_t heapBytes = 0;
    uint64_t heapBlocks = 0;
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    DWORD windows = 0;

    static ResourceCounts Now();
    std::string Growth(const ResourceCounts& later) const;
    // True when later holds no more than a small, bounded slack (allocator caches) beyond this.
    bool NoGrowth(const ResourceCounts& later) const;
};
