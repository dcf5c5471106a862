// The walk over the format's keywords and the choice of store.
#include "params/parameter_list.h"

#include <algorithm>
#include <cstdarg>
#include <mbstring.h>
#include <new>

#include "params/parameter_stores.h"

namespace {
ParameterType KeywordType(const std::string& keyword)
{
    static const struct {
        const char* keyword;
        ParameterType type;
    } kKeywords[] = {
        {"UINT", ParameterType::Unsigned}, {"DWORD", ParameterType::Unsigned}, {"INT", ParameterType::Int},
        {"FLOAT", ParameterType::Float},   {"DOUBLE", ParameterType::Double},  {"STRING", ParameterType::String},
        {"LSS", ParameterType::Lss},
    };
    for (const auto& entry : kKeywords)
        if (_mbsicmp(reinterpret_cast<const unsigned char*>(keyword.c_str()),
                     reinterpret_cast<const unsigned char*>(entry.keyword)) == 0)
            return entry.type;
    return ParameterType::None;
}

// One entry per space-separated token, each with the next name and pointer; a single trailing
// space ends the list, two spaces in a row make an empty token.
ParameterList ReadList(const char* const* names, const char* format, va_list arguments)
{
    ParameterList parameters;
    const std::string text = format ? format : "";
    size_t cursor = 0;
    size_t index = 0;
    while (cursor < text.size()) {
        const size_t space = text.find(' ', cursor);
        const size_t tokenEnd = space == std::string::npos ? text.size() : space;
        const ParameterType type = KeywordType(text.substr(cursor, tokenEnd - cursor));
        const char* name = names[index++];
        void* variable = va_arg(arguments, void*);
        if (type != ParameterType::None)
            parameters.push_back({name, type, variable});
        if (space == std::string::npos)
            break;
        cursor = space + 1;
    }
    return parameters;
}
}  // namespace

void AllocateLssBlock(LssBlock& block, uint32_t size)
{
    block.data = static_cast<uint8_t*>(::operator new(size, std::nothrow));
    block.size = block.data ? size : 0;
    if (block.data)
        std::fill(block.data, block.data + size, uint8_t{0});
}

void LoadParameters(const char* fileName, const char* keyName, HKEY rootKey, XmlNode* node,
                    const char* const* names, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const ParameterList parameters = ReadList(names, format, arguments);
    va_end(arguments);
    if (node)
        LoadFromXml(*node, parameters);
    else if (rootKey)
        LoadFromRegistry(rootKey, keyName, parameters);
    else if (fileName)
        LoadFromIni(fileName, keyName, parameters);
}

BOOL SaveParameters(const char* fileName, const char* keyName, HKEY rootKey, XmlNode* node,
                    const char* const* names, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const ParameterList parameters = ReadList(names, format, arguments);
    va_end(arguments);
    if (node)
        SaveToXml(*node, parameters);
    else if (rootKey)
        return SaveToRegistry(rootKey, keyName, parameters) ? TRUE : FALSE;
    else if (fileName)
        SaveToIni(fileName, keyName, parameters);
    return TRUE;
}
