// The one interface through which the parameter walk reads and writes a value in any of the
// three stores.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class XmlNode;

// One store's forms of the values: integers (UINT, DWORD and INT alike: 32 bits), floats,
// doubles, texts and byte blocks. A read of a value that the store does not hold leaves the
// destination as it is (an integer's Read returns false), except in the INI store, which cannot
// tell: there an integer reads as its own value, a number as its own text and a text as "".
class ParameterStore {
public:
    virtual ~ParameterStore() = default;
    virtual bool Read(const std::string& name, uint32_t& value) = 0;
    virtual void Write(const std::string& name, uint32_t value) = 0;
    virtual void Read(const std::string& name, float& value) = 0;
    virtual void Write(const std::string& name, float value) = 0;
    virtual void Read(const std::string& name, double& value) = 0;
    virtual void Write(const std::string& name, double value) = 0;
    virtual void Read(const std::string& name, std::string& text) = 0;
    virtual void Write(const std::string& name, const std::string& text) = 0;
    // Fills at most size bytes of a zeroed block; a missing value leaves it zeroed.
    virtual void ReadBytes(const std::string& name, uint8_t* data, uint32_t size) = 0;
    virtual void WriteBytes(const std::string& name, const uint8_t* data, uint32_t size) = 0;
    // The largest block that ReadBytes can fill; a larger stored size loads as no block.
    virtual uint32_t LargestBlock() const { return UINT32_MAX; }
};

enum class StoreAccess { Load, Save };

// Children of node, each holding its value in "Value".
std::unique_ptr<ParameterStore> OpenXmlStore(XmlNode& node);
// Values of the subkey keyName, opened to load or created to save; null when that fails.
std::unique_ptr<ParameterStore> OpenRegistryStore(HKEY rootKey, const char* keyName, StoreAccess access);
// Keys of one INI section.
std::unique_ptr<ParameterStore> OpenIniStore(const char* fileName, const char* section);
