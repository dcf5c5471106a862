// Where the library's resources come from: a language resource library first, when one was
// loaded, then this module. A language library needs to hold only what it replaces.
#pragma once

#include <windows.h>

#include <vector>

class ResourceChain {
public:
    // The language library stays loaded for the life of the process; it is never released.
    static void SetLanguageModule(HMODULE module);
    // Puts module (null: none) in place of ThisModule() at the end of the chain, for tests
    // that need a chain without the library's own resources.
    static void SetOwnModule(HMODULE module);

    // The first module of the chain that holds the resource, or null.
    static HMODULE FindResourceModule(LPCSTR name, LPCSTR type);
    // The first copy of dialog template id along the chain that the dialog manager can read
    // within its size (IsCompleteFontedDialogTemplate): the language library sits in a folder
    // others may write to. Copied, so that the stored one is never written to, with style in
    // place of its own; empty when the chain holds no sound copy.
    static std::vector<DWORD> LoadDialogTemplate(WORD id, DWORD style);
};
