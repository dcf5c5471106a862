// Parameters as values of one registry key. Integers are 4-byte REG_NONE values; the other
// types, for which the stored format has no registry form, are kept in the forms a user of
// the registry expects: floats and doubles as their raw bytes (REG_NONE), strings as REG_SZ,
// byte blocks as a 4-byte size value and a REG_BINARY data value.
#include <cstring>
#include <vector>

#include "params/parameter_list.h"
#include "params/parameter_stores.h"
#include "platform/handles.h"

namespace {
// Copies a stored value of at most capacity bytes over the variable's first bytes; a larger
// or missing value leaves the variable as it was.
bool QueryRaw(HKEY key, const std::string& name, void* variable, DWORD capacity)
{
    uint8_t buffer[8];
    DWORD size = capacity;
    if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, buffer, &size) != ERROR_SUCCESS)
        return false;
    std::memcpy(variable, buffer, size);
    return true;
}

void SetRaw(HKEY key, const std::string& name, DWORD type, const void* data, DWORD size)
{
    RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
}

// The stored bytes of a value, or false when it is missing.
bool QueryBytes(HKEY key, const std::string& name, std::vector<uint8_t>& bytes)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return false;
    bytes.resize(size);
    if (size && RegQueryValueExA(key, name.c_str(), nullptr, nullptr, bytes.data(), &size) != ERROR_SUCCESS)
        return false;
    bytes.resize(size);
    return true;
}
}  // namespace

void LoadFromRegistry(HKEY rootKey, const char* keyName, const ParameterList& parameters)
{
    RegistryKey key;
    if (RegOpenKeyExA(rootKey, keyName, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return;
    for (const Parameter& parameter : parameters) {
        switch (parameter.type) {
        case ParameterType::Unsigned:
        case ParameterType::Int:
        case ParameterType::Float:
            QueryRaw(key, parameter.name, parameter.variable, 4);
            break;
        case ParameterType::Double:
            QueryRaw(key, parameter.name, parameter.variable, 8);
            break;
        case ParameterType::String: {
            std::vector<uint8_t> bytes;
            if (!QueryBytes(key, parameter.name, bytes))
                break;
            std::string& text = *static_cast<std::string*>(parameter.variable);
            text.assign(bytes.begin(), bytes.end());
            text.resize(std::strlen(text.c_str()));
            break;
        }
        case ParameterType::Lss: {
            auto& block = *static_cast<LssBlock*>(parameter.variable);
            uint32_t size = 0;
            block.size = 0;
            block.data = nullptr;
            if (!QueryRaw(key, LssSizeName(parameter.name), &size, 4))
                break;
            AllocateLssBlock(block, size);
            std::vector<uint8_t> bytes;
            if (block.data && QueryBytes(key, LssDataName(parameter.name), bytes))
                std::memcpy(block.data, bytes.data(), bytes.size() < block.size ? bytes.size() : block.size);
            break;
        }
        case ParameterType::None:
            break;
        }
    }
}

bool SaveToRegistry(HKEY rootKey, const char* keyName, const ParameterList& parameters)
{
    RegistryKey key;
    if (RegCreateKeyExA(rootKey, keyName, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.Receive(),
                        nullptr) != ERROR_SUCCESS)
        return false;
    for (const Parameter& parameter : parameters) {
        switch (parameter.type) {
        case ParameterType::Unsigned:
        case ParameterType::Int:
        case ParameterType::Float:
            SetRaw(key, parameter.name, REG_NONE, parameter.variable, 4);
            break;
        case ParameterType::Double:
            SetRaw(key, parameter.name, REG_NONE, parameter.variable, 8);
            break;
        case ParameterType::String: {
            const std::string& text = *static_cast<const std::string*>(parameter.variable);
            SetRaw(key, parameter.name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
            break;
        }
        case ParameterType::Lss: {
            const auto& block = *static_cast<const LssBlock*>(parameter.variable);
            SetRaw(key, LssSizeName(parameter.name), REG_NONE, &block.size, 4);
            SetRaw(key, LssDataName(parameter.name), REG_BINARY, block.data, block.size);
            break;
        }
        case ParameterType::None:
            break;
        }
    }
    return true;
}
