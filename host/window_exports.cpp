// CreateSettingsWindow: the settings dialog as a hidden child of a host window.
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "host/plugin_api.h"
#include "platform/dialog_template_check.h"
#include "platform/resource_chain.h"
#include "res/resource_ids.h"
#include "ui/settings_dialog.h"

namespace {
constexpr DWORD kChildStyle = WS_CHILD | DS_SETFONT | DS_3DLOOK;

// The module's settings template when the dialog manager can read it within its size: the
// language library sits in a folder others may write to.
std::vector<DWORD> CheckedTemplate(HMODULE module)
{
    const HRSRC resource = module ? FindResourceA(module, MAKEINTRESOURCEA(IDD_SETTINGS), MAKEINTRESOURCEA(5)) : nullptr;
    const DWORD size = resource ? SizeofResource(module, resource) : 0;
    const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || !IsCompleteFontedDialogTemplate(bytes, size))
        return {};
    std::vector<DWORD> copy(size / sizeof(DWORD) + (size % sizeof(DWORD) != 0));
    std::memcpy(copy.data(), bytes, size);
    return copy;
}

// The template as stored, from the language library when it holds a sound one, else from this
// library; copied so that the stored one is never written to. The copy gets the child style in
// place of the pop-up style.
std::vector<DWORD> ChildTemplate()
{
    std::vector<DWORD> copy = CheckedTemplate(ResourceChain::LanguageModule());
    if (copy.empty())
        copy = CheckedTemplate(ResourceChain::OwnModule());
    if (copy.empty())
        return {};
    const auto* words = reinterpret_cast<const WORD*>(copy.data());
    // DLGTEMPLATEEX starts with version 1 and signature 0xFFFF; its style follows helpID and
    // exStyle.
    const bool extended = words[0] == 1 && words[1] == 0xFFFF;
    copy[extended ? 3 : 0] = kChildStyle;
    return copy;
}
}  // namespace

extern "C" HWND __cdecl CreateSettingsWindow(HWND parent, EffectSettings* settings)
{
    // Out of memory anywhere on the way gives no window; the guards free what was made.
    try {
        auto dialog = std::make_unique<SettingsDialog>();
        dialog->AttachSettings(settings);
        const std::vector<DWORD> dialogTemplate = ChildTemplate();
        if (dialogTemplate.empty())
            return nullptr;
        const HWND window = dialog->Create(dialogTemplate.data(), parent);
        // From here the window owns the dialog and deletes it when it is destroyed.
        if (window)
            dialog.release();
        return window;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
