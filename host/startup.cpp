#include "host/startup.h"

#include <string>

#include "platform/resource_chain.h"
#include "xml/xml_node.h"

namespace {
const char kLanguageFile[] = "Language.xml";
// A language file names one library; anything larger is no language file, and parsing it
// would hold up the host while it loads the library. The parser reads the attributes of one
// element in time that grows with their square: a quarter megabyte of them takes seconds, a
// megabyte most of a minute.
constexpr ULONGLONG kMaxLanguageFileBytes = 256 << 10;

bool IsLanguageFileOfSensibleSize()
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(kLanguageFile, GetFileExInfoStandard, &data))
        return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    const ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return size <= kMaxLanguageFileBytes;
}

// The library named by the root's Path in Language.xml, mapped as resources only: the file
// sits in a folder others may write to, so none of the library's code may run.
HMODULE LoadLanguageLibrary()
{
    if (!IsLanguageFileOfSensibleSize())
        return nullptr;
    XmlTree tree(new XmlNode);
    if (!tree->LoadFile(kLanguageFile))
        return nullptr;
    std::string path;
    if (!tree->GetAttribute("Path", path) || path.empty())
        return nullptr;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}
}  // namespace

void OnProcessAttach(HINSTANCE instance)
{
    ResourceChain::SetOwnModule(instance);
    try {
        if (HMODULE language = LoadLanguageLibrary())
            ResourceChain::SetLanguageModule(language);
    } catch (...) {
        // The parser failing, COM not initialised on this thread or memory running out: the
        // library keeps its own resources and the load succeeds.
    }
}

// The language library stays loaded for the life of the process.
void OnProcessDetach() {}
