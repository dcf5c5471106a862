#include "tools/shared/preset_xml.h"

#include <cstdio>
#include <string>

#include "platform/com.h"
#include "xml/file_size_limit.h"
#include "xml/xml_node.h"
#include "tools/shared/xml_writer.h"

namespace {
// The tree of a preset file; one over the size limit is refused unread.
XmlTree ReadPresetTree(const std::string& path)
{
    if (!IsReadableXmlFileSize(path))
        throw HostError("cannot read the preset " + path + ": missing, a folder or larger than " +
                        std::to_string(kMaxReadableXmlFileBytes >> 10) + " KiB");
    XmlTree root(new XmlNode);
    try {
        if (!root->LoadFile(path))
            throw HostError("cannot read the preset " + path + ": missing, unreadable or not well-formed XML");
    } catch (const ComError& error) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(error.Code()));
        throw HostError("the XML parser failed on " + path + " (" + code + ")");
    }
    return root;
}
}  // namespace

SettingsRecord LoadPresetXml(const PluginLibrary& plugin, const std::string& path)
{
    XmlTree root = ReadPresetTree(path);
    EffectSettings* record = nullptr;
    if (!plugin.InitializeXml(root.get(), &record) || !record)
        throw HostError("the plug-in could not make a settings record from " + path);
    return SettingsRecord(plugin, record);
}

void SavePresetXmlFile(const PluginLibrary& plugin, const std::string& path, const EffectSettings& settings)
{
    XmlTree root;
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        root = ReadPresetTree(path);
    } else {
        root.reset(new XmlNode);
        root->SetName("Preset");
    }
    plugin.SavePresetXml(root.get(), &settings);
    if (WriteXmlFile(path, *root) > 0)
        std::fprintf(stderr, "effect-host: note: comments and text of %s are not kept\n", path.c_str());
}
