#include "tools/shared/program_paths.h"

#include <windows.h>

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

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
}
