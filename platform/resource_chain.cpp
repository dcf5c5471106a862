#include "platform/resource_chain.h"

#include <initializer_list>

namespace {
HMODULE ownModule = nullptr;
HMODULE languageModule = nullptr;
}  // namespace

void ResourceChain::SetOwnModule(HMODULE module) { ownModule = module; }
HMODULE ResourceChain::OwnModule() { return ownModule; }
void ResourceChain::SetLanguageModule(HMODULE module) { languageModule = module; }
HMODULE ResourceChain::LanguageModule() { return languageModule; }

HMODULE ResourceChain::FindResourceModule(LPCSTR name, LPCSTR type)
{
    for (HMODULE module : {languageModule, ownModule}) {
        if (module && FindResourceA(module, name, type))
            return module;
    }
    return nullptr;
}
