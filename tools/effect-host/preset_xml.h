// A settings record made by the plug-in from a preset file, as a host does it: the file is read
// into an XmlNode tree with the library's own loader and the root goes to InitializeXml.
#pragma once

#include <string>

#include "settings_record.h"

// Throws HostError when the file cannot be read or is not well-formed XML.
SettingsRecord LoadPresetXml(const Plugin& plugin, const std::string& path);
