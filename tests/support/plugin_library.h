// BandReject.dll loaded from the test program's folder, as a host loads it, with every export
// looked up by name.
#pragma once

#include <string>

#include "host/plugin_api.h"
#include "platform/handles.h"
// ProgramFolder: the tools' own, one definition in programs that link both.
#include "tools/shared/plugin_loader.h"

struct PluginLibrary {
    PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    ModuleHandle module;
    decltype(&::PlugInInfo) PlugInInfo = nullptr;
    decltype(&::CopySettings) CopySettings = nullptr;
    decltype(&::Free) Free = nullptr;
    decltype(&::SetStreamCallBack) SetStreamCallBack = nullptr;
    decltype(&::OpenStream) OpenStream = nullptr;
    decltype(&::ProcessStream) ProcessStream = nullptr;
    decltype(&::CloseStream) CloseStream = nullptr;

    // Looks up an export that this helper does not list.
    FARPROC Export(const char* name) const { return GetProcAddress(module, name); }
};

// An export that PluginLibrary does not list, as a pointer of its declared type.
template <typename Function>
Function ExportAs(const PluginLibrary& library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(library.Export(name)));
}
