#include "tools/shared/xml_writer.h"

#include <windows.h>

#include "platform/replacement_file.h"
#include "tools/shared/plugin_library.h"
#include "xml/xml_node.h"

namespace {
std::string Utf8(const std::string& ansi)
{
    if (ansi.empty())
        return ansi;
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), wideLength);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::string Escaped(const std::string& text)
{
    std::string out;
    for (const char c : Utf8(text)) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\r': out += "&#13;"; break;
        case '\n': out += "&#10;"; break;
        case '\t': out += "&#9;"; break;
        default: out += c;
        }
    }
    return out;
}

void OpenTag(std::string& out, const XmlNode& node, size_t depth, bool hasChildren)
{
    out.append(2 * depth, ' ');
    out += '<' + Utf8(node.Name());
    for (const XmlAttribute& attribute : node.attributes)
        out += ' ' + Utf8(attribute.name.Str()) + "=\"" + Escaped(attribute.value.Str()) + '"';
    out += hasChildren ? ">\r\n" : "/>\r\n";
}

// The first node with a name from node on along its siblings, or null; the nameless ones passed
// over are counted (their content is not in the tree, so there is nothing to write).
const XmlNode* NamedFrom(const XmlNode* node, size_t& skipped)
{
    for (; node && node->Name().empty(); node = node->NextSibling())
        ++skipped;
    return node;
}

// A walk over the links rather than the call stack, so a tree of any depth can be written.
std::string Document(const XmlNode& root, size_t& skipped)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    const XmlNode* node = &root;
    size_t depth = 0;
    for (;;) {
        const XmlNode* child = NamedFrom(node->FirstChild(), skipped);
        OpenTag(out, *node, depth, child != nullptr);
        if (child) {
            node = child;
            ++depth;
            continue;
        }
        for (;;) {
            if (node == &root)
                return out;
            if (const XmlNode* sibling = NamedFrom(node->NextSibling(), skipped)) {
                node = sibling;
                break;
            }
            node = node->Parent();
            --depth;
            out.append(2 * depth, ' ');
            out += "</" + Utf8(node->Name()) + ">\r\n";
        }
    }
}
}  // namespace

size_t WriteXmlFile(const std::string& path, const XmlNode& root)
{
    if (root.Name().empty())
        throw HostError("a preset element needs a name");
    size_t skipped = 0;
    const std::string text = Document(root, skipped);
    ReplacementFile file(path);
    DWORD written = 0;
    if (!file || !WriteFile(file.Handle(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size())
        throw HostError("cannot write " + path + ".partial (error " + std::to_string(GetLastError()) + ")");
    if (!file.Commit())
        throw HostError("cannot replace " + path + " (error " + std::to_string(GetLastError()) + ")");
    return skipped;
}
