// The walk over the format's keywords, the choice of store and each type's way through a store.
#include "params/parameter_list.h"

#include <algorithm>
#include <cstdarg>
#include <mbstring.h>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "params/parameter_stores.h"

namespace {
// UINT, DWORD and INT are all one 32-bit integer to every store.
enum class ParameterType { Integer, Float, Double, String, Lss, None };

struct Parameter {
    std::string name;
    ParameterType type;
    void* variable;
};
using ParameterList = std::vector<Parameter>;

ParameterType KeywordType(const std::string& keyword)
{
    static const struct {
        const char* keyword;
        ParameterType type;
    } kKeywords[] = {
        {"UINT", ParameterType::Integer}, {"DWORD", ParameterType::Integer}, {"INT", ParameterType::Integer},
        {"FLOAT", ParameterType::Float},  {"DOUBLE", ParameterType::Double},  {"STRING", ParameterType::String},
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
ParameterList ReadList(const char* const* names, const char* format, va_list arguments)  // NOLINT(readability-non-const-parameter): va_arg advances it
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

// The stored names of a byte block's two entries.
std::string LssSizeName(const std::string& name) { return "SIZE_LSS_" + name; }
std::string LssDataName(const std::string& name) { return "DATA_LSS_" + name; }

// A load always hands out a new block, zeroed, or none when the store holds no size, the size
// is more than the store can fill or that much cannot be allocated.
void LoadBlock(ParameterStore& store, const std::string& name, LssBlock& block)
{
    block = {0, nullptr};
    uint32_t size = 0;
    if (!store.Read(LssSizeName(name), size) || size > store.LargestBlock())
        return;
    block.data = static_cast<uint8_t*>(::operator new(size, std::nothrow));
    if (!block.data)
        return;
    block.size = size;
    std::fill(block.data, block.data + size, uint8_t{0});
    store.ReadBytes(LssDataName(name), block.data, size);
}

void SaveBlock(ParameterStore& store, const std::string& name, const LssBlock& block)
{
    store.Write(LssSizeName(name), block.size);
    store.WriteBytes(LssDataName(name), block.data, block.size);
}

template <typename Value>
void MoveValue(ParameterStore& store, StoreAccess access, const Parameter& parameter)
{
    Value& variable = *static_cast<Value*>(parameter.variable);
    if (access == StoreAccess::Load)
        store.Read(parameter.name, variable);
    else
        store.Write(parameter.name, variable);
}

// The one switch on the type keyword.
void MoveParameter(ParameterStore& store, StoreAccess access, const Parameter& parameter)
{
    switch (parameter.type) {
    case ParameterType::Integer:
        return MoveValue<uint32_t>(store, access, parameter);
    case ParameterType::Float:
        return MoveValue<float>(store, access, parameter);
    case ParameterType::Double:
        return MoveValue<double>(store, access, parameter);
    case ParameterType::String:
        return MoveValue<std::string>(store, access, parameter);
    case ParameterType::Lss: {
        auto& block = *static_cast<LssBlock*>(parameter.variable);
        if (access == StoreAccess::Load)
            LoadBlock(store, parameter.name, block);
        else
            SaveBlock(store, parameter.name, block);
        return;
    }
    case ParameterType::None:
        return;
    }
}

// The store: node if given, else rootKey with keyName (a subkey), else fileName with keyName
// (the section), else none. False only when the registry key cannot be opened or created.
bool Transfer(StoreAccess access, const char* fileName, const char* keyName, HKEY rootKey, XmlNode* node,
              const ParameterList& parameters)
{
    std::unique_ptr<ParameterStore> store;
    if (node)
        store = OpenXmlStore(*node);
    else if (rootKey)
        store = OpenRegistryStore(rootKey, keyName, access);
    else if (fileName)
        store = OpenIniStore(fileName, keyName);
    else
        return true;
    if (!store)
        return false;
    for (const Parameter& parameter : parameters)
        MoveParameter(*store, access, parameter);
    return true;
}
}  // namespace

void LoadParameters(const char* fileName, const char* keyName, HKEY rootKey, XmlNode* node,  // NOLINT(cert-dcl50-cpp): the callers' interface
                    const char* const* names, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    Transfer(StoreAccess::Load, fileName, keyName, rootKey, node, ReadList(names, format, arguments));
    va_end(arguments);
}

BOOL SaveParameters(const char* fileName, const char* keyName, HKEY rootKey, XmlNode* node,  // NOLINT(cert-dcl50-cpp): the callers' interface
                    const char* const* names, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const bool saved =
        Transfer(StoreAccess::Save, fileName, keyName, rootKey, node, ReadList(names, format, arguments));
    va_end(arguments);
    return saved ? TRUE : FALSE;
}
