#include "xml/attribute_limit.h"

#include <algorithm>
#include <string>

namespace {
// The document as ASCII, every other character as 0x80; empty with ok false when its
// encoding is one the scan cannot read.
struct Characters {
    std::string text;
    bool ok = true;
    bool wide = false;  // UTF-16
};

Characters Decode(const uint8_t* bytes, size_t size)
{
    Characters result;
    const auto startsWith = [&](std::initializer_list<uint8_t> prefix) {
        return size >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes);
    };
    // UCS-4 in any byte order, and EBCDIC's "<?xm".
    if (startsWith({0, 0}) || startsWith({0xFF, 0xFE, 0, 0}) || startsWith({0x3C, 0, 0, 0}) ||
        startsWith({0x4C, 0x6F, 0xA7, 0x94})) {
        result.ok = false;
        return result;
    }
    const bool littleEndian = startsWith({0xFF, 0xFE}) || startsWith({0x3C, 0, 0x3F, 0});
    const bool bigEndian = startsWith({0xFE, 0xFF}) || startsWith({0, 0x3C, 0, 0x3F});
    if (!littleEndian && !bigEndian) {
        result.text.assign(reinterpret_cast<const char*>(bytes), size);
        return result;
    }
    result.wide = true;
    result.text.reserve(size / 2);
    for (size_t at = 0; at + 1 < size; at += 2) {
        const unsigned unit = littleEndian ? bytes[at] | bytes[at + 1] << 8 : bytes[at] << 8 | bytes[at + 1];
        result.text += static_cast<char>(unit < 0x80 ? unit : 0x80);
    }
    return result;
}

// The encoding an XML declaration names, lower case; empty when there is none.
std::string DeclaredEncoding(const std::string& text)
{
    const size_t start = text.find_first_not_of("\xEF\xBB\xBF\x80");
    if (start == std::string::npos || text.compare(start, 5, "<?xml") != 0)
        return std::string();
    const size_t end = text.find("?>", start);
    const std::string declaration = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const size_t name = declaration.find("encoding");
    if (name == std::string::npos)
        return std::string();
    const size_t quote = declaration.find_first_of("\"'", name);
    if (quote == std::string::npos)
        return std::string();
    const size_t close = declaration.find(declaration[quote], quote + 1);
    std::string encoding = declaration.substr(quote + 1, close == std::string::npos ? 0 : close - quote - 1);
    // ASCII only, whatever the runtime's locale.
    for (char& c : encoding)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return encoding;
}

// Encodings in which every ASCII character is its own byte and no other character holds one of
// "<", "=", "&", "#", "%" or a quote (not ISO-2022, whose two-byte characters may).
bool AsciiTransparent(const std::string& encoding)
{
    static const char* const kNames[] = {"utf-8", "us-ascii", "ascii",     "iso-8859-", "windows-125", "latin1", "cp125",
                                         "koi8-", "euc-",     "shift_jis", "gb2312",    "gbk",         "big5"};
    return encoding.empty() || std::any_of(std::begin(kNames), std::end(kNames), [&](const char* name) {
               return encoding.compare(0, std::char_traits<char>::length(name), name) == 0;
           });
}

bool Utf16Name(const std::string& encoding)
{
    return encoding.empty() || encoding.compare(0, 6, "utf-16") == 0 || encoding == "ucs-2" || encoding == "unicode";
}
}  // namespace

bool AttributesBounded(const uint8_t* bytes, size_t size)
{
    const Characters document = Decode(bytes, size);
    if (!document.ok)
        return false;
    const std::string encoding = DeclaredEncoding(document.text);
    if (document.wide ? !Utf16Name(encoding) : !AsciiTransparent(encoding))
        return false;

    const std::string& text = document.text;
    int declarationMarks = 0;
    int stretchMarks = 0;
    bool inDeclaration = false;
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '<') {
            inDeclaration = at + 1 < text.size() && text[at + 1] == '!';
            stretchMarks = 0;
        } else if (inDeclaration) {
            if (c == '=' || c == '&' || c == '#' || c == '%' || c == '"' || c == '\'')
                if (++declarationMarks > kMaxDeclarationMarks)
                    return false;
        } else if (c == '=' || c == '&') {
            if (++stretchMarks > kMaxAttributesPerElement)
                return false;
        }
    }
    return true;
}
