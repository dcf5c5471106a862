// The dialog template check on any bytes, in a block of exactly their size so that
// AddressSanitizer reports any read past them; at an odd address too, as a resource may lie.
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/dialog_template_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[size]);
    std::memcpy(exact.get(), data, size);
    const bool complete = IsCompleteFontedDialogTemplate(exact.get(), size);
    IsExtendedDialogTemplate(exact.get(), size);

    const std::unique_ptr<uint8_t[]> shifted(new uint8_t[size + 1]);
    std::memcpy(shifted.get() + 1, data, size);
    if (IsCompleteFontedDialogTemplate(shifted.get() + 1, size) != complete)
        __builtin_trap();
    return 0;
}
