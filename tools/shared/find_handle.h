// The search handle that FindFirstFile returns, owned: FindClose, not CloseHandle, ends it.
#pragma once

#include "platform/handles.h"

struct FindTraits {
    using Handle = HANDLE;
    static Handle Null() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle h) { FindClose(h); }
};
using FindHandle = UniqueHandle<FindTraits>;
