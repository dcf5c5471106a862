// The parameter walk's view of one list entry and the three stores it is handed to.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class XmlNode;

enum class ParameterType { Unsigned, Int, Float, Double, String, Lss, None };

struct Parameter {
    std::string name;
    ParameterType type;
    void* variable;
};
using ParameterList = std::vector<Parameter>;

// The stored names of a byte block's two entries.
inline std::string LssSizeName(const std::string& name) { return "SIZE_LSS_" + name; }
inline std::string LssDataName(const std::string& name) { return "DATA_LSS_" + name; }
// A new block of size bytes, zeroed, or null with size 0 when that much cannot be allocated.
struct LssBlock;
void AllocateLssBlock(LssBlock& block, uint32_t size);

void LoadFromXml(const XmlNode& node, const ParameterList& parameters);
void SaveToXml(XmlNode& node, const ParameterList& parameters);
void LoadFromRegistry(HKEY rootKey, const char* keyName, const ParameterList& parameters);
bool SaveToRegistry(HKEY rootKey, const char* keyName, const ParameterList& parameters);
void LoadFromIni(const char* fileName, const char* section, const ParameterList& parameters);
void SaveToIni(const char* fileName, const char* section, const ParameterList& parameters);
