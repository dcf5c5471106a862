// CreateSettingsWindow: the settings dialog as a hidden child of a host window.
#include <memory>
#include <vector>

#include "host/export_guard.h"
#include "host/plugin_api.h"
#include "platform/resource_chain.h"
#include "res/resource_ids.h"
#include "ui/settings_dialog.h"

extern "C" HWND __cdecl CreateSettingsWindow(HWND parent, EffectSettings* settings)
{
    // Out of memory anywhere on the way gives no window; the owners free what was made.
    return GuardExport(HWND{}, {}, [&]() -> HWND {
        auto dialog = std::make_unique<SettingsDialog>();
        dialog->AttachSettings(settings);
        // Stored as a captioned pop-up; made a child of the host's window.
        const std::vector<DWORD> dialogTemplate =
            ResourceChain::LoadDialogTemplate(IDD_SETTINGS, WS_CHILD | DS_SETFONT | DS_3DLOOK);
        if (dialogTemplate.empty())
            return nullptr;
        const HWND window = dialog->Create(dialogTemplate.data(), parent);
        // From here the window owns the dialog and deletes it when it is destroyed.
        if (window)
            dialog.release();  // NOLINT(bugprone-unused-return-value): the window holds it now
        return window;
    });
}
