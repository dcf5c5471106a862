// Parameters as child elements of a node, each holding its value in "Value".
#include "params/parameter_stores.h"
#include "xml/xml_node.h"

namespace {
class XmlStore : public ParameterStore {
public:
    explicit XmlStore(XmlNode& node) : node_(node) {}

    bool Read(const std::string& name, uint32_t& value) override { return node_.GetDword(name, value); }
    void Write(const std::string& name, uint32_t value) override { node_.SetDword(name, value); }
    void Read(const std::string& name, float& value) override { node_.GetFloat(name, value); }
    void Write(const std::string& name, float value) override { node_.SetFloat(name, value); }
    void Read(const std::string& name, double& value) override { node_.GetDouble(name, value); }
    void Write(const std::string& name, double value) override { node_.SetDouble(name, value); }
    void Read(const std::string& name, std::string& text) override { node_.GetString(name, text); }
    void Write(const std::string& name, const std::string& text) override { node_.SetString(name, text); }

    void ReadBytes(const std::string& name, uint8_t* data, uint32_t size) override
    {
        node_.GetBytes(name, data, static_cast<int32_t>(size));
    }

    void WriteBytes(const std::string& name, const uint8_t* data, uint32_t size) override
    {
        node_.SetBytes(name, data, static_cast<int32_t>(size));
    }

    // The byte count is signed where the text is decoded.
    uint32_t LargestBlock() const override { return INT32_MAX; }

private:
    XmlNode& node_;
};
}  // namespace

std::unique_ptr<ParameterStore> OpenXmlStore(XmlNode& node)
{
    return std::unique_ptr<ParameterStore>(new XmlStore(node));
}
