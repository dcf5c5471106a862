#include "platform/resource_chain.h"

#include <array>
#include <cstring>
#include <optional>

#include "platform/dialog_template_check.h"
#include "platform/this_module.h"

namespace {
HMODULE languageModule = nullptr;
std::optional<HMODULE> ownModuleReplacement;

std::array<HMODULE, 2> Chain() { return {languageModule, ownModuleReplacement.value_or(ThisModule())}; }

// The module's template when it is sound, copied into DWORDs.
std::vector<DWORD> SoundTemplate(HMODULE module, WORD id)
{
    const HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), RT_DIALOG);
    const DWORD size = resource ? SizeofResource(module, resource) : 0;
    const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || !IsCompleteFontedDialogTemplate(bytes, size))
        return {};
    std::vector<DWORD> copy(size / sizeof(DWORD) + (size % sizeof(DWORD) != 0));
    std::memcpy(copy.data(), bytes, size);
    return copy;
}
}  // namespace

void ResourceChain::SetLanguageModule(HMODULE module) { languageModule = module; }
void ResourceChain::SetOwnModule(HMODULE module) { ownModuleReplacement = module; }

HMODULE ResourceChain::FindResourceModule(LPCSTR name, LPCSTR type)
{
    for (HMODULE module : Chain()) {
        if (module && FindResourceA(module, name, type))
            return module;
    }
    return nullptr;
}

std::vector<DWORD> ResourceChain::LoadDialogTemplate(WORD id, DWORD style)
{
    for (HMODULE module : Chain()) {
        if (!module)
            continue;
        std::vector<DWORD> copy = SoundTemplate(module, id);
        if (!copy.empty()) {
            // Sound, so the header is whole: DLGTEMPLATEEX keeps its style after helpID and
            // exStyle, DLGTEMPLATE starts with it.
            copy[IsExtendedDialogTemplate(copy.data(), copy.size() * sizeof(DWORD)) ? 3 : 0] = style;
            return copy;
        }
    }
    return {};
}
