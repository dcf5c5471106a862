// Parameters as child elements of a node, each holding its value in "Value".
#include "params/parameter_list.h"
#include "params/parameter_stores.h"
#include "xml/xml_node.h"

void LoadFromXml(const XmlNode& node, const ParameterList& parameters)
{
    for (const Parameter& parameter : parameters) {
        switch (parameter.type) {
        case ParameterType::Unsigned:
            node.GetDword(parameter.name, *static_cast<uint32_t*>(parameter.variable));
            break;
        case ParameterType::Int:
            node.GetInt(parameter.name, *static_cast<int32_t*>(parameter.variable));
            break;
        case ParameterType::Float:
            node.GetFloat(parameter.name, *static_cast<float*>(parameter.variable));
            break;
        case ParameterType::Double:
            node.GetDouble(parameter.name, *static_cast<double*>(parameter.variable));
            break;
        case ParameterType::String:
            node.GetString(parameter.name, *static_cast<std::string*>(parameter.variable));
            break;
        case ParameterType::Lss: {
            auto& block = *static_cast<LssBlock*>(parameter.variable);
            uint32_t size = 0;
            block.size = 0;
            block.data = nullptr;
            if (!node.GetDword(LssSizeName(parameter.name), size))
                break;
            // The byte count is signed where the text is decoded.
            if (size > INT32_MAX)
                break;
            AllocateLssBlock(block, size);
            if (block.data)
                node.GetBytes(LssDataName(parameter.name), block.data, static_cast<int32_t>(block.size));
            break;
        }
        case ParameterType::None:
            break;
        }
    }
}

void SaveToXml(XmlNode& node, const ParameterList& parameters)
{
    for (const Parameter& parameter : parameters) {
        switch (parameter.type) {
        case ParameterType::Unsigned:
            node.SetDword(parameter.name, *static_cast<const uint32_t*>(parameter.variable));
            break;
        case ParameterType::Int:
            node.SetInt(parameter.name, *static_cast<const int32_t*>(parameter.variable));
            break;
        case ParameterType::Float:
            node.SetFloat(parameter.name, *static_cast<const float*>(parameter.variable));
            break;
        case ParameterType::Double:
            node.SetDouble(parameter.name, *static_cast<const double*>(parameter.variable));
            break;
        case ParameterType::String:
            node.SetString(parameter.name, *static_cast<const std::string*>(parameter.variable));
            break;
        case ParameterType::Lss: {
            const auto& block = *static_cast<const LssBlock*>(parameter.variable);
            node.SetDword(LssSizeName(parameter.name), block.size);
            node.SetBytes(LssDataName(parameter.name), block.data, static_cast<int32_t>(block.size));
            break;
        }
        case ParameterType::None:
            break;
        }
    }
}
