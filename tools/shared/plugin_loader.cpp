#include "tools/shared/plugin_loader.h"

std::string ProgramPath()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

std::string ProgramFolder()
{
    const std::string path = ProgramPath();
    return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string DefaultPluginPath()
{
    return ProgramFolder() + "BandReject.dll";
}

Plugin::Plugin() : Plugin(DefaultPluginPath()) {}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
}

Plugin::Plugin(const std::string& path) : path_(FullPath(path))
{
    module_.Attach(LoadLibraryA(path_.c_str()));
    if (!module_)
        throw HostError("cannot load the plug-in " + path_ + " (error " + std::to_string(GetLastError()) + ")");
}

FARPROC Plugin::Lookup(const char* name) const
{
    FARPROC function = GetProcAddress(module_, name);
    if (!function)
        throw HostError(path_ + " does not export " + name);
    return function;
}
