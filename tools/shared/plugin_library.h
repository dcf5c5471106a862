// BandReject.dll loaded as a host loads it, every export looked up once, at load: the tools,
// the benchmark and the tests call the plug-in through this one type.
#pragma once

#include <string>

#include "host/plugin_api.h"
#include "platform/handles.h"
#include "tools/shared/host_error.h"
#include "tools/shared/program_paths.h"

class PluginLibrary {
public:
    // DefaultPluginPath(). Throws HostError when it cannot be loaded or lacks an export.
    PluginLibrary();
    // The library at path, made full first. Throws HostError when it cannot be loaded or lacks
    // an export.
    explicit PluginLibrary(const std::string& path);
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const std::string& Path() const { return path_; }
    HMODULE Module() const { return module_; }
    // Any other name, for checks of what the library does not export: null when it does not.
    FARPROC Export(const char* name) const { return GetProcAddress(module_, name); }

private:
    std::string path_;
    ModuleHandle module_;

public:
    decltype(&::PlugInInfo) PlugInInfo;
    decltype(&::CopySettings) CopySettings;
    decltype(&::Free) Free;
    decltype(&::SetStreamCallBack) SetStreamCallBack;
    decltype(&::OpenStream) OpenStream;
    decltype(&::ProcessStream) ProcessStream;
    decltype(&::CloseStream) CloseStream;
    decltype(&::Initialize) Initialize;
    decltype(&::InitializeXml) InitializeXml;
    decltype(&::LoadPreset) LoadPreset;
    decltype(&::SavePreset) SavePreset;
    decltype(&::SavePresetXml) SavePresetXml;
    decltype(&::CreateSettingsWindow) CreateSettingsWindow;
};

// A name looked up with PluginLibrary::Export, as a pointer of the given type.
template <typename Function>
Function ExportAs(const PluginLibrary& library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(library.Export(name)));
}
