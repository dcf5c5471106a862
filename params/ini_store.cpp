// Parameters as keys of one INI section, through the platform's profile functions. Texts are
// read and written whole, whatever their length.
#include <vector>

#include "params/number_text.h"
#include "params/parameter_list.h"
#include "params/parameter_stores.h"

namespace {
std::string ReadText(const char* fileName, const char* section, const std::string& key, const std::string& fallback)
{
    std::vector<char> buffer(1024);
    for (;;) {
        const DWORD length = GetPrivateProfileStringA(section, key.c_str(), fallback.c_str(), buffer.data(),
                                                      static_cast<DWORD>(buffer.size()), fileName);
        // A text that filled the buffer may have been cut: read again with room to spare.
        if (length + 1 < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

void WriteText(const char* fileName, const char* section, const std::string& key, const std::string& text)
{
    WritePrivateProfileStringA(section, key.c_str(), text.c_str(), fileName);
}

uint32_t ReadInteger(const char* fileName, const char* section, const std::string& key, uint32_t fallback)
{
    return GetPrivateProfileIntA(section, key.c_str(), static_cast<INT>(fallback), fileName);
}
}  // namespace

void LoadFromIni(const char* fileName, const char* section, const ParameterList& parameters)
{
    for (const Parameter& parameter : parameters) {
        switch (parameter.type) {
        case ParameterType::Unsigned:
        case ParameterType::Int: {
            auto& variable = *static_cast<uint32_t*>(parameter.variable);
            variable = ReadInteger(fileName, section, parameter.name, variable);
            break;
        }
        case ParameterType::Float: {
            auto& variable = *static_cast<float*>(parameter.variable);
            variable = static_cast<float>(
                TextToDouble(ReadText(fileName, section, parameter.name, FloatingText(variable))));
            break;
        }
        case ParameterType::Double: {
            auto& variable = *static_cast<double*>(parameter.variable);
            variable = TextToDouble(ReadText(fileName, section, parameter.name, FloatingText(variable)));
            break;
        }
        case ParameterType::String:
            *static_cast<std::string*>(parameter.variable) = ReadText(fileName, section, parameter.name, "");
            break;
        case ParameterType::Lss: {
            auto& block = *static_cast<LssBlock*>(parameter.variable);
            AllocateLssBlock(block, ReadInteger(fileName, section, LssSizeName(parameter.name), 0));
            if (block.data)
                GetPrivateProfileStructA(section, LssDataName(parameter.name).c_str(), block.data, block.size,
                                         fileName);
            break;
        }
        case ParameterType::None:
            break;
        }
    }
}

void SaveToIni(const char* fileName, const char* section, const ParameterList& parameters)
{
    for (const Parameter& parameter : parameters) {
        switch (parameter.type) {
        case ParameterType::Unsigned:
        case ParameterType::Int:
            WriteText(fileName, section, parameter.name, DecimalText(*static_cast<const int32_t*>(parameter.variable)));
            break;
        case ParameterType::Float:
            WriteText(fileName, section, parameter.name, FloatingText(*static_cast<const float*>(parameter.variable)));
            break;
        case ParameterType::Double:
            WriteText(fileName, section, parameter.name, FloatingText(*static_cast<const double*>(parameter.variable)));
            break;
        case ParameterType::String:
            WriteText(fileName, section, parameter.name, *static_cast<const std::string*>(parameter.variable));
            break;
        case ParameterType::Lss: {
            const auto& block = *static_cast<const LssBlock*>(parameter.variable);
            WriteText(fileName, section, LssSizeName(parameter.name), DecimalText(static_cast<int32_t>(block.size)));
            WritePrivateProfileStructA(section, LssDataName(parameter.name).c_str(), block.data, block.size, fileName);
            break;
        }
        case ParameterType::None:
            break;
        }
    }
}
