#include "platform/resource_library.h"

HMODULE MapResourceLibrary(const char* path, LoadLibraryExFunction load)
{
    // As an image resource the library is mapped as the loader maps images, so resources
    // address as they would in a loaded module.
    if (HMODULE module = load(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
        return module;
    // XP's loader knows no LOAD_LIBRARY_AS_IMAGE_RESOURCE and refuses it as an invalid
    // parameter; a data file mapping alone runs no code either.
    if (GetLastError() != ERROR_INVALID_PARAMETER)
        return nullptr;
    return load(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
}
