// The attribute bound on any bytes: one linear pass, and an element made to carry one attribute
// more than the limit after any document that passes is refused.
#include <cstdint>
#include <string>

#include "xml/attribute_limit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!AttributesBounded(data, size))
        return 0;
    // Only where the document's own encoding is the bytes': UTF-16 would read the tail as
    // other characters.
    if (size >= 2 && (data[0] == 0 || data[1] == 0 || data[0] >= 0xFE))
        return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    text += "<e";
    for (int i = 0; i <= kMaxAttributesPerElement; ++i)
        text += " a" + std::to_string(i) + "='1'";
    if (AttributesBounded(reinterpret_cast<const uint8_t*>(text.data()), text.size()))
        __builtin_trap();
    return 0;
}
