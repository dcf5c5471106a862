#include "platform/host_heap.h"

#include <windows.h>

#include <new>

namespace {
using OperatorNew = void*(__cdecl*)(size_t);
using OperatorDelete = void(__cdecl*)(void*);

struct SharedRuntime {
    SharedRuntime()
    {
        // msvcrt.dll is one of our own imports, so it stays loaded as long as we are.
        HMODULE runtime = GetModuleHandleA("msvcrt.dll");
        if (!runtime)
            runtime = LoadLibraryA("msvcrt.dll");
        allocate = reinterpret_cast<OperatorNew>(reinterpret_cast<void*>(GetProcAddress(runtime, "??2@YAPAXI@Z")));
        release = reinterpret_cast<OperatorDelete>(reinterpret_cast<void*>(GetProcAddress(runtime, "??3@YAXPAX@Z")));
        // cppcheck-suppress resourceLeak ; kept loaded for as long as we are, as said above
    }
    OperatorNew allocate = nullptr;
    OperatorDelete release = nullptr;
};

const SharedRuntime& Runtime()
{
    static const SharedRuntime runtime;
    return runtime;
}
}  // namespace

void* HostHeap::Allocate(size_t size)
{
    const SharedRuntime& runtime = Runtime();
    void* block = runtime.allocate ? runtime.allocate(size) : nullptr;
    // The classic runtime's operator new reports failure with null rather than throwing.
    if (!block)
        throw std::bad_alloc();
    return block;
}

void HostHeap::Release(void* block) noexcept
{
    if (block)
        Runtime().release(block);
}
