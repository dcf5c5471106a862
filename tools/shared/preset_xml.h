// Preset files as a host handles them: a file is read into an XmlNode tree with the library's
// own loader, the root goes to InitializeXml or SavePresetXml, and a saved tree is written back.
#pragma once

#include <string>

#include "tools/shared/settings_record.h"

// Throws HostError when the file cannot be read or is not well-formed XML.
SettingsRecord LoadPresetXml(const PluginLibrary& plugin, const std::string& path);

// An existing preset file keeps its other elements and attributes (a note on standard error
// says when its comments or text are dropped); a new one gets a root element named "Preset".
// Throws HostError when an existing file cannot be read, as above, or the file cannot be written.
void SavePresetXmlFile(const PluginLibrary& plugin, const std::string& path, const EffectSettings& settings);
