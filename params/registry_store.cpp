// Parameters as values of one registry key. Integers are 4-byte REG_NONE values; the other
// types, for which the stored format has no registry form, are kept in the forms a user of
// the registry expects: floats and doubles as their raw bytes (REG_NONE), strings as REG_SZ,
// byte blocks as a 4-byte size value and a REG_BINARY data value.
#include <cstring>
#include <vector>

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

class RegistryStore : public ParameterStore {
public:
    explicit RegistryStore(RegistryKey key) : key_(std::move(key)) {}

    bool Read(const std::string& name, uint32_t& value) override { return QueryRaw(key_, name, &value, 4); }
    void Write(const std::string& name, uint32_t value) override { SetRaw(key_, name, REG_NONE, &value, 4); }
    void Read(const std::string& name, float& value) override { QueryRaw(key_, name, &value, 4); }
    void Write(const std::string& name, float value) override { SetRaw(key_, name, REG_NONE, &value, 4); }
    void Read(const std::string& name, double& value) override { QueryRaw(key_, name, &value, 8); }
    void Write(const std::string& name, double value) override { SetRaw(key_, name, REG_NONE, &value, 8); }

    void Read(const std::string& name, std::string& text) override
    {
        std::vector<uint8_t> bytes;
        if (!QueryBytes(key_, name, bytes))
            return;
        text.assign(bytes.begin(), bytes.end());
        text.resize(std::strlen(text.c_str()));
    }

    void Write(const std::string& name, const std::string& text) override
    {
        SetRaw(key_, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size()) + 1);
    }

    void ReadBytes(const std::string& name, uint8_t* data, uint32_t size) override
    {
        std::vector<uint8_t> bytes;
        if (QueryBytes(key_, name, bytes))
            std::memcpy(data, bytes.data(), bytes.size() < size ? bytes.size() : size);
    }

    void WriteBytes(const std::string& name, const uint8_t* data, uint32_t size) override
    {
        SetRaw(key_, name, REG_BINARY, data, size);
    }

private:
    RegistryKey key_;
};
}  // namespace

std::unique_ptr<ParameterStore> OpenRegistryStore(HKEY rootKey, const char* keyName, StoreAccess access)
{
    RegistryKey key;
    const LONG result = access == StoreAccess::Load
                            ? RegOpenKeyExA(rootKey, keyName, 0, KEY_READ, key.Receive())
                            : RegCreateKeyExA(rootKey, keyName, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                              nullptr, key.Receive(), nullptr);
    if (result != ERROR_SUCCESS)
        return nullptr;
    return std::unique_ptr<ParameterStore>(new RegistryStore(std::move(key)));
}
