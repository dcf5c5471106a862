// BandReject.dll as the tools load it: by default from the running program's own folder, with
// each export looked up when first needed.
#pragma once

#include <stdexcept>
#include <string>

#include "host/plugin_api.h"
#include "platform/handles.h"

struct HostError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Plugin {
public:
    // DefaultPluginPath(). Throws HostError when it cannot be loaded.
    Plugin();
    // The library at path, made full first. Throws HostError when it cannot be loaded.
    explicit Plugin(const std::string& path);

    // Throws HostError when the DLL lacks the export.
    template <typename Function>
    Function Require(const char* name) const
    {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(Lookup(name)));
    }

    const std::string& Path() const { return path_; }

private:
    FARPROC Lookup(const char* name) const;

    std::string path_;
    ModuleHandle module_;
};

#define PLUGIN_EXPORT(plugin, name) (plugin).Require<decltype(&::name)>(#name)

// The running program's full path, and its folder with a trailing backslash.
std::string ProgramPath();
std::string ProgramFolder();
// The BandReject.dll beside the running program.
std::string DefaultPluginPath();
// The profile functions look for a bare file name in the Windows folder, and LoadLibrary for a
// relative path along its search order: paths are made full.
std::string FullPath(const std::string& path);
