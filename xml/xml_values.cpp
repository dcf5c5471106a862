// Typed values as attribute text: "%d"-style integers (_itoa), "%g" floats and doubles and
// uppercase hexadecimal byte blocks, in the text forms of the shared C runtime.
#include <cstdlib>

#include "platform/number_text.h"
#include "xml/xml_node.h"

namespace {
const char kValue[] = "Value";

uint8_t DigitValue(char digit)
{
    const unsigned code = static_cast<unsigned char>(digit);
    return static_cast<uint8_t>(((code >= '0' && code <= '9') ? code - 48 : code - 55) & 15);
}

char HexDigit(unsigned nibble)
{
    return static_cast<char>(nibble < 10 ? 48 + nibble : 55 + nibble);
}
}  // namespace

bool XmlNode::GetAttributeInt(const std::string& attribute, int32_t& out) const
{
    const XmlAttribute* found = FindAttribute(attribute);
    if (!found)
        return false;
    out = std::atoi(found->value.CStr());  // NOLINT(cert-err34-c): stored text that is no number reads as 0
    return true;
}

void XmlNode::SetAttributeDword(const std::string& attribute, uint32_t value)
{
    SetAttributeInt(attribute, static_cast<int32_t>(value));
}

void XmlNode::SetAttributeInt(const std::string& attribute, int32_t value)
{
    SetAttribute(attribute, DecimalText(value));
}

bool XmlNode::GetAttributeFloat(const std::string& attribute, float& out) const
{
    double value = 0;
    if (!GetAttributeDouble(attribute, value))
        return false;
    out = static_cast<float>(value);
    return true;
}

void XmlNode::SetAttributeFloat(const std::string& attribute, float value)
{
    SetAttribute(attribute, FloatingText(value));
}

bool XmlNode::GetAttributeDouble(const std::string& attribute, double& out) const
{
    const XmlAttribute* found = FindAttribute(attribute);
    if (!found)
        return false;
    out = TextToDouble(found->value.Str());
    return true;
}

void XmlNode::SetAttributeDouble(const std::string& attribute, double value)
{
    SetAttribute(attribute, FloatingText(value));
}

int32_t XmlNode::GetAttributeBytes(const std::string& attribute, uint8_t* buffer, int32_t capacity) const
{
    const XmlAttribute* found = FindAttribute(attribute);
    if (!found || capacity <= 0)
        return 0;
    const char* text = found->value.CStr();
    size_t count = found->value.Length() / 2;
    if (count > static_cast<size_t>(capacity))
        count = static_cast<size_t>(capacity);
    for (size_t k = 0; k < count; ++k)
        buffer[k] = static_cast<uint8_t>(DigitValue(text[2 * k]) * 16 + DigitValue(text[2 * k + 1]));
    return static_cast<int32_t>(count);
}

void XmlNode::SetAttributeBytes(const std::string& attribute, const uint8_t* bytes, int32_t count)
{
    std::string text;
    if (count > 0) {
        text.resize(2 * static_cast<size_t>(count));
        for (size_t k = 0; k < static_cast<size_t>(count); ++k) {
            text[2 * k] = HexDigit(bytes[k] >> 4);
            text[2 * k + 1] = HexDigit(bytes[k] & 15);
        }
    }
    SetAttribute(attribute, text);
}

bool XmlNode::GetString(const std::string& child, std::string& out) const
{
    const XmlNode* node = FindChild(child);
    return node && node->GetAttribute(kValue, out);
}

void XmlNode::SetString(const std::string& child, const std::string& value)
{
    FindOrAddChild(child)->SetAttribute(kValue, value);
}

bool XmlNode::GetDword(const std::string& child, uint32_t& out) const
{
    int32_t value = 0;
    if (!GetInt(child, value))
        return false;
    out = static_cast<uint32_t>(value);
    return true;
}

void XmlNode::SetDword(const std::string& child, uint32_t value)
{
    FindOrAddChild(child)->SetAttributeDword(kValue, value);
}

bool XmlNode::GetInt(const std::string& child, int32_t& out) const
{
    const XmlNode* node = FindChild(child);
    return node && node->GetAttributeInt(kValue, out);
}

void XmlNode::SetInt(const std::string& child, int32_t value)
{
    FindOrAddChild(child)->SetAttributeInt(kValue, value);
}

bool XmlNode::GetFloat(const std::string& child, float& out) const
{
    const XmlNode* node = FindChild(child);
    return node && node->GetAttributeFloat(kValue, out);
}

void XmlNode::SetFloat(const std::string& child, float value)
{
    FindOrAddChild(child)->SetAttributeFloat(kValue, value);
}

bool XmlNode::GetDouble(const std::string& child, double& out) const
{
    const XmlNode* node = FindChild(child);
    return node && node->GetAttributeDouble(kValue, out);
}

void XmlNode::SetDouble(const std::string& child, double value)
{
    FindOrAddChild(child)->SetAttributeDouble(kValue, value);
}

int32_t XmlNode::GetBytes(const std::string& child, uint8_t* buffer, int32_t capacity) const
{
    const XmlNode* node = FindChild(child);
    return node ? node->GetAttributeBytes(kValue, buffer, capacity) : 0;
}

void XmlNode::SetBytes(const std::string& child, const uint8_t* bytes, int32_t count)
{
    FindOrAddChild(child)->SetAttributeBytes(kValue, bytes, count);
}
