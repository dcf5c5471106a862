// Loading and saving a list of named, typed values in one store: the children of an XmlNode,
// the values of a registry key or the keys of one INI section.
//
// The list is a ParameterTable (names plus space-separated type keywords, matched without
// regard to case: UINT, DWORD, INT, FLOAT, DOUBLE, STRING, LSS) and one pointer per keyword
// after format. UINT and DWORD designate a uint32_t, INT an int32_t, FLOAT a float, DOUBLE a
// double, STRING a std::string and LSS an LssBlock. An empty or unknown keyword consumes a
// name and a pointer and touches nothing. The store: node if given, else rootKey with keyName
// (a subkey), else fileName with keyName (the section), else none.
#pragma once

#include <windows.h>

#include <cstdint>

class XmlNode;

struct ParameterTable {
    const char* const* names;
    const char* format;
};

// A block of bytes. A load always puts a new block from ::operator new (or null) into data and
// never frees the old one: the caller releases every block it receives with ::operator delete.
struct LssBlock {
    uint32_t size;
    uint8_t* data;
};

// Values that the store does not hold keep what the variables held.
void LoadParameters(const char* fileName, const char* keyName, HKEY rootKey, XmlNode* node,
                    const char* const* names, const char* format, ...);
// 0 when the registry key cannot be created or opened; 1 otherwise (single writes that fail
// are not reported).
BOOL SaveParameters(const char* fileName, const char* keyName, HKEY rootKey, XmlNode* node,
                    const char* const* names, const char* format, ...);
