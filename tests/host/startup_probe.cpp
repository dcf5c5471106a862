// Helper program for the start-up tests, run in a folder holding a Language.xml variant.
// It loads BandReject.dll as a host does, then runs the library's start-up code linked into
// itself (its own module holding a dialog 32200 "Probe Own Dialog") and prints, one per line:
//   dll-loaded=0|1
//   load-ms=<milliseconds that loading the DLL took>
//   window-caption=<caption of the settings window>   (when the DLL exports CreateSettingsWindow)
//   plugin-caption=<caption of the DLL's own dialog 32200>
//   dialog-source=language|own|none
//   dialog-caption=<caption of the dialog 32200 that the resource chain finds>
//   dllmain-variable=<LANGUAGE_DLLMAIN_RAN, or empty>
// With --no-com it never initialises COM, as a host that does not use it.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/plugin_api.h"
#include "host/startup.h"
#include "platform/handles.h"
#include "platform/resource_chain.h"
#include "res/resource_ids.h"
#include "platform/this_module.h"

namespace {

std::string ProgramFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

// Skips a menu or class field of a dialog template: none, an ordinal or a string.
const WORD* SkipNameOrOrdinal(const WORD* field)
{
    if (*field == 0)
        return field + 1;
    if (*field == 0xFFFF)
        return field + 2;
    while (*field)
        ++field;
    return field + 1;
}

std::string DialogCaption(HMODULE module)
{
    HRSRC resource = module ? FindResourceA(module, MAKEINTRESOURCEA(IDD_SETTINGS), MAKEINTRESOURCEA(5)) : nullptr;
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const auto* words = static_cast<const WORD*>(loaded ? LockResource(loaded) : nullptr);
    if (!words)
        return "";
    const bool extended = words[0] == 1 && words[1] == 0xFFFF;
    const WORD* field = words + (extended ? 13 : 9);  // the fixed header of each template form
    field = SkipNameOrOrdinal(SkipNameOrOrdinal(field));
    char caption[256] = "";
    WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(field), -1, caption, sizeof caption, nullptr, nullptr);
    return caption;
}

std::string SettingsWindowCaption(HMODULE plugin)
{
    auto create = reinterpret_cast<decltype(&::CreateSettingsWindow)>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "CreateSettingsWindow")));
    auto copy = reinterpret_cast<decltype(&::CopySettings)>(reinterpret_cast<void*>(GetProcAddress(plugin, "CopySettings")));
    auto release = reinterpret_cast<decltype(&::Free)>(reinterpret_cast<void*>(GetProcAddress(plugin, "Free")));
    EffectSettings defaults{};
    defaults.dryOut = defaults.volume2 = 1.0;
    defaults.cutOffFreq = 1000;
    defaults.bandWidth = 400;
    EffectSettings* settings = nullptr;
    if (!copy(&settings, &defaults))
        return "(no record)";
    HWND parent = CreateWindowExA(0, "STATIC", "probe", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    HWND window = create(parent, settings);
    char caption[256] = "";
    if (window)
        GetWindowTextA(window, caption, sizeof caption);
    else
        std::strcpy(caption, "(no window)");
    DestroyWindow(parent);
    release(settings);
    return caption;
}
}  // namespace

int main(int argc, char** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const bool withCom = !(argc > 1 && std::strcmp(argv[1], "--no-com") == 0);
    if (withCom)
        CoInitialize(nullptr);

    const std::string path = ProgramFolder() + "BandReject.dll";
    const DWORD start = GetTickCount();
    ModuleHandle plugin(LoadLibraryA(path.c_str()));
    const DWORD elapsed = GetTickCount() - start;
    std::printf("dll-loaded=%d\n", plugin ? 1 : 0);
    std::printf("load-ms=%lu\n", static_cast<unsigned long>(elapsed));
    if (plugin && GetProcAddress(plugin, "CreateSettingsWindow"))
        std::printf("window-caption=%s\n", SettingsWindowCaption(plugin).c_str());
    std::printf("plugin-caption=%s\n", DialogCaption(plugin).c_str());

    OnProcessAttach();
    HMODULE source = ResourceChain::FindResourceModule(MAKEINTRESOURCEA(IDD_SETTINGS), MAKEINTRESOURCEA(5));
    const char* sourceName = !source ? "none" : source == ThisModule() ? "own" : "language";
    std::printf("dialog-source=%s\n", sourceName);
    std::printf("dialog-caption=%s\n", DialogCaption(source).c_str());
    char variable[64] = "";
    GetEnvironmentVariableA("LANGUAGE_DLLMAIN_RAN", variable, sizeof variable);
    std::printf("dllmain-variable=%s\n", variable);
    OnProcessDetach(false);
    std::fflush(stdout);

    plugin.Reset();
    if (withCom)
        CoUninitialize();
    return 0;
}
