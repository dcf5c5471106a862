// The numbers of preset texts, as the number texts and the XML typed values read and write
// them, against the C locale's own strtod, strtol and strtoul; and the stored levels they hold.
#include <fuzzer/FuzzedDataProvider.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/stored_level.h"
#include "platform/number_text.h"
#include "xml/xml_node.h"

namespace {
void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool SameDouble(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

// What ParseUnsigned must accept: blanks, decimal digits only, blanks, within 32 bits.
bool ReferenceUnsigned(const std::string& text, uint32_t& value)
{
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return false;
    const size_t end = text.find_last_not_of(" \t");
    const std::string digits = text.substr(begin, end - begin + 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    const unsigned long long number = std::strtoull(digits.c_str(), nullptr, 10);
    if (errno == ERANGE || number > UINT32_MAX)
        return false;
    value = static_cast<uint32_t>(number);
    return true;
}

void CheckReading(const std::string& text)
{
    Check(SameDouble(TextToDouble(text), std::strtod(text.c_str(), nullptr)));
    const long long wide = std::strtoll(text.c_str(), nullptr, 10);
    Check(LeadingNumber(text) == (wide > INT_MAX ? INT_MAX : wide < INT_MIN ? INT_MIN : wide));

    uint32_t parsed = 0xDEADBEEF, expected = 0xDEADBEEF;
    const bool ok = ParseUnsigned(text, parsed);
    Check(ok == ReferenceUnsigned(text, expected) && parsed == expected);

    XmlTree node(new XmlNode);
    node->SetAttribute("Value", text);
    double value = 0;
    Check(node->GetAttributeDouble("Value", value) && SameDouble(value, TextToDouble(text)));
    float single = 0;
    Check(node->GetAttributeFloat("Value", single) && SameDouble(single, static_cast<float>(value)));
    int32_t integer = 0;
    Check(node->GetAttributeInt("Value", integer));
    if (wide >= INT_MIN && wide <= INT_MAX)
        Check(integer == wide);

    // Hex byte blocks: each pair as strtoul reads it in base 16, never more than asked for.
    uint8_t bytes[64];
    const int32_t capacity = static_cast<int32_t>(text.size() % 65);
    const int32_t count = node->GetAttributeBytes("Value", bytes, capacity);
    Check(count >= 0 && count <= capacity && static_cast<size_t>(count) <= text.size() / 2);
    for (int32_t k = 0; k < count; ++k) {
        const std::string pair = text.substr(2 * static_cast<size_t>(k), 2);
        if (pair.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos)
            Check(bytes[k] == std::strtoul(pair.c_str(), nullptr, 16));
    }
}

void CheckWriting(FuzzedDataProvider& input)
{
    const double number = input.ConsumeFloatingPoint<double>();
    const std::string text = FloatingText(number, 17);
    Check(text.find(',') == std::string::npos);
    if (std::isfinite(number))
        Check(SameDouble(TextToDouble(text), number));
    // Any level stores without overflow; every stored level loads and saves back as itself.
    LevelToStored(number);
    const uint32_t stored = input.ConsumeIntegral<uint32_t>();
    Check(LevelToStored(StoredToLevel(stored)) == stored);
    const int32_t integer = input.ConsumeIntegral<int32_t>();
    Check(std::strtol(DecimalText(integer).c_str(), nullptr, 10) == integer);

    const std::vector<uint8_t> block = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange(0, 64));
    XmlTree node(new XmlNode);
    node->SetAttributeBytes("Value", block.data(), static_cast<int32_t>(block.size()));
    uint8_t again[64];
    Check(node->GetAttributeBytes("Value", again, 64) == static_cast<int32_t>(block.size()));
    Check(block.empty() || std::memcmp(block.data(), again, block.size()) == 0);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    CheckReading(input.ConsumeRandomLengthString(256));
    CheckWriting(input);
    return 0;
}
