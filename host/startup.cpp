#include "host/startup.h"

#include <string>

#include "platform/resource_chain.h"
#include "platform/resource_library.h"
#include "platform/window.h"
#include "xml/file_size_limit.h"
#include "xml/xml_node.h"

namespace {
const char kLanguageFile[] = "Language.xml";
// The library named by the root's Path in Language.xml, mapped as resources only: the file
// sits in a folder others may write to, so none of the library's code may run.
HMODULE LoadLanguageLibrary()
{
    // A language file names one library; anything larger is no language file, and parsing it
    // would hold up the host while it loads the library.
    if (!IsReadableXmlFileSize(kLanguageFile))
        return nullptr;
    XmlTree tree(new XmlNode);
    if (!tree->LoadFile(kLanguageFile))
        return nullptr;
    std::string path;
    if (!tree->GetAttribute("Path", path) || path.empty())
        return nullptr;
    return MapResourceLibrary(path.c_str());
}
}  // namespace

void OnProcessAttach()
{
    try {
        if (HMODULE language = LoadLanguageLibrary())
            ResourceChain::SetLanguageModule(language);
    } catch (...) {
        // The parser failing, COM not initialised on this thread or memory running out: the
        // library keeps its own resources and the load succeeds.
    }
}

// The language library stays loaded for the life of the process.
void OnProcessDetach(bool processEnding)
{
    // At process end the system tears down every class itself; user32 may be gone already.
    if (!processEnding)
        UnregisterWindowClasses();
}
