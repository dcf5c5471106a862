// The heap that the host and the library share: the operator new and delete of the shared C
// runtime (msvcrt.dll), which the host's C++ runtime allocates through. Memory that may be
// released by the other side is allocated here, never by our own allocator.
#pragma once

#include <cstddef>

namespace HostHeap {
// Throws std::bad_alloc when the shared runtime cannot allocate.
void* Allocate(size_t size);
void Release(void* block) noexcept;
}  // namespace HostHeap
