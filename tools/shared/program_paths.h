// Where the running program and the plug-in beside it are.
#pragma once

#include <string>

// The running program's full path, and its folder with a trailing backslash.
std::string ProgramPath();
std::string ProgramFolder();
// The BandReject.dll beside the running program.
std::string DefaultPluginPath();
// The profile functions look for a bare file name in the Windows folder, and LoadLibrary for a
// relative path along its search order: paths are made full.
std::string FullPath(const std::string& path);
