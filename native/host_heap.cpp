// The shared heap natively: the C++ runtime's own, there being no host to share it with.
#include "platform/host_heap.h"

#include <new>

void* HostHeap::Allocate(size_t size) { return ::operator new(size); }

void HostHeap::Release(void* block) noexcept { ::operator delete(block); }
