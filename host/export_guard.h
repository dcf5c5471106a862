// The boundary rules of host/plugin_api.h, applied by every export: a null record, block,
// format or output pointer that the export needs gets its failure result and nothing is done;
// anything thrown inside gets its failure result too, since no exception may reach a host
// built with another runtime.
#pragma once

#include <initializer_list>

template <typename Result, typename Body>
Result GuardExport(Result failure, std::initializer_list<const void*> required, Body body) noexcept
{
    for (const void* pointer : required) {
        if (!pointer)
            return failure;
    }
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// For an export without a result.
template <typename Body>
void GuardExport(std::initializer_list<const void*> required, Body body) noexcept
{
    GuardExport(0, required, [&] {
        body();
        return 0;
    });
}
