// CreateSettingsWindow: the settings dialog as a hidden child of a host window.
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "host/plugin_api.h"
#include "platform/resource_chain.h"
#include "res/resource_ids.h"
#include "ui/settings_dialog.h"

namespace {
constexpr DWORD kChildStyle = WS_CHILD | DS_SETFONT | DS_3DLOOK;

// The template as stored, copied so that the stored one is never written to; the copy gets the
// child style in place of the pop-up style.
std::vector<DWORD> ChildTemplate()
{
    const HMODULE module = ResourceChain::FindResourceModule(MAKEINTRESOURCEA(IDD_SETTINGS), MAKEINTRESOURCEA(5));
    if (!module)
        return {};
    const HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(IDD_SETTINGS), MAKEINTRESOURCEA(5));
    const DWORD size = resource ? SizeofResource(module, resource) : 0;
    const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    // Shorter than the style field of either template form: not a template.
    if (!bytes || size < 16)
        return {};
    std::vector<DWORD> copy(size / sizeof(DWORD) + (size % sizeof(DWORD) != 0));
    std::memcpy(copy.data(), bytes, size);
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
    std::unique_ptr<SettingsDialog> dialog(new (std::nothrow) SettingsDialog);
    if (!dialog)
        return nullptr;
    dialog->AttachSettings(settings);
    std::vector<DWORD> dialogTemplate;
    try {
        dialogTemplate = ChildTemplate();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (dialogTemplate.empty())
        return nullptr;
    const HWND window = dialog->Create(dialogTemplate.data(), parent);
    // From here the window owns the dialog and deletes it when it is destroyed.
    if (window)
        dialog.release();
    return window;
}
