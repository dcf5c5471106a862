#include "tools/validator/resource_counts.h"

DWORD LiveGdiObjects()
{
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted)
        return counted;
    DWORD live = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index)
        live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return live;
}

namespace {
BOOL CALLBACK CountWindow(HWND window, LPARAM count)
{
    ++*reinterpret_cast<DWORD*>(count);
    EnumChildWindows(window, CountWindow, count);
    return TRUE;
}
}  // namespace

DWORD ThreadWindows()
{
    DWORD count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

ResourceCounts ResourceCounts::Now()
{
    ResourceCounts counts;
    HANDLE heaps[64];
    const DWORD heapCount = GetProcessHeaps(64, heaps);
    for (DWORD h = 0; h < heapCount && h < 64; ++h) {
        if (!HeapLock(heaps[h]))
            continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[h], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                counts.heapBytes += entry.cbData;
                ++counts.heapBlocks;
            }
        }
        HeapUnlock(heaps[h]);
    }
    GetProcessHandleCount(GetCurrentProcess(), &counts.handles);
    counts.gdiObjects = LiveGdiObjects();
    counts.windows = ThreadWindows();
    return counts;
}

std::string ResourceCounts::Growth(const ResourceCounts& later) const
{
    auto diff = [](uint64_t before, uint64_t after) { return std::to_string(static_cast<int64_t>(after - before)); };
    return "heap " + diff(heapBytes, later.heapBytes) + " bytes in " + diff(heapBlocks, later.heapBlocks) +
           " blocks, handles " + diff(handles, later.handles) + ", GDI objects " + diff(gdiObjects, later.gdiObjects) +
           ", windows " + diff(windows, later.windows);
}

bool ResourceCounts::NoGrowth(const ResourceCounts& later) const
{
    return later.heapBlocks <= heapBlocks + 16 && later.heapBytes <= heapBytes + 64ULL * 1024 &&
           later.handles <= handles + 2 && later.gdiObjects <= gdiObjects && later.windows <= windows;
}
