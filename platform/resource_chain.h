// Where the library's resources come from: a language resource library first, when one was
// loaded, then the library's own module. A language library needs to hold only what it replaces.
#pragma once

#include <windows.h>

class ResourceChain {
public:
    static void SetOwnModule(HMODULE module);
    static HMODULE OwnModule();
    // The language library stays loaded for the life of the process; it is never released.
    static void SetLanguageModule(HMODULE module);
    static HMODULE LanguageModule();

    // The first module of the chain that holds the resource, or null.
    static HMODULE FindResourceModule(LPCSTR name, LPCSTR type);
};
