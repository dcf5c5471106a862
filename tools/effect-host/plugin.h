// BandReject.dll as the reference host loads it: by name, from the host's own folder, with
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
    // Throws HostError when the DLL cannot be loaded.
    Plugin();

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

// The folder of the running program, with a trailing backslash.
std::string ProgramFolder();
