// Parameters as keys of one INI section, through the platform's profile functions. A text is
// written whole and read back up to kTextLimit characters.
#include <algorithm>

#include "platform/number_text.h"
#include "params/parameter_stores.h"

namespace {
constexpr DWORD kTextLimit = 1023;

class IniStore : public ParameterStore {
public:
    IniStore(const char* fileName, const char* section) : fileName_(fileName), section_(section) {}

    bool Read(const std::string& name, uint32_t& value) override
    {
        value = GetPrivateProfileIntA(section_, name.c_str(), static_cast<INT>(value), fileName_);
        return true;
    }

    void Write(const std::string& name, uint32_t value) override
    {
        Write(name, DecimalText(static_cast<int32_t>(value)));
    }

    void Read(const std::string& name, float& value) override
    {
        value = static_cast<float>(TextToDouble(ProfileText(name, FloatingText(value))));
    }

    void Write(const std::string& name, float value) override { Write(name, FloatingText(value)); }

    void Read(const std::string& name, double& value) override
    {
        value = TextToDouble(ProfileText(name, FloatingText(value)));
    }

    void Write(const std::string& name, double value) override { Write(name, FloatingText(value)); }
    void Read(const std::string& name, std::string& text) override { text = ProfileText(name, ""); }

    void Write(const std::string& name, const std::string& text) override
    {
        WritePrivateProfileStringA(section_, name.c_str(), text.c_str(), fileName_);
    }

    void ReadBytes(const std::string& name, uint8_t* data, uint32_t size) override
    {
        GetPrivateProfileStructA(section_, name.c_str(), data, size, fileName_);
    }

    void WriteBytes(const std::string& name, const uint8_t* data, uint32_t size) override
    {
        // The profile function only reads the block it is given.
        WritePrivateProfileStructA(section_, name.c_str(), const_cast<uint8_t*>(data), size, fileName_);
    }

private:
    std::string ProfileText(const std::string& name, const std::string& fallback) const
    {
        char buffer[kTextLimit + 1];
        const DWORD length =
            GetPrivateProfileStringA(section_, name.c_str(), fallback.c_str(), buffer, sizeof buffer, fileName_);
        return std::string(buffer, std::min(length, kTextLimit));
    }

    const char* fileName_;
    const char* section_;
};
}  // namespace

std::unique_ptr<ParameterStore> OpenIniStore(const char* fileName, const char* section)
{
    return std::unique_ptr<ParameterStore>(new IniStore(fileName, section));
}
