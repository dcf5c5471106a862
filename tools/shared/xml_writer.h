// Writes an XmlNode tree as a plain XML file (the plug-in reads trees but never writes them;
// saving a preset file is the host's business).
#pragma once

#include <cstddef>
#include <string>

class XmlNode;

// UTF-8 text converted from the ANSI code page, attributes escaped, two spaces of indent per
// level. Written beside the target and moved in place, so a failure leaves no partial file.
// Nodes without a name (the text, CDATA, comments and processing instructions the loader met,
// whose content it does not keep) are left out; returns how many. Throws HostError when the
// file cannot be written.
size_t WriteXmlFile(const std::string& path, const XmlNode& root);
