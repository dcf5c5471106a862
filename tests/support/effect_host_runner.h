// Runs the reference host (or another program) as a child process and collects what it printed.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct RunResult {
    DWORD exitCode = 0;
    std::string output;  // standard output and standard error together
};

std::string EffectHostPath();
// currentFolder empty: the child inherits this process's current directory. whileRunning, when
// given, is called with the child's process id once it has started, before it is waited for.
RunResult RunProgram(const std::string& commandLine, const std::string& currentFolder = "",
                     const std::function<void(DWORD processId)>& whileRunning = nullptr);
RunResult RunEffectHost(const std::string& arguments,
                        const std::function<void(DWORD processId)>& whileRunning = nullptr);

// A fresh empty folder under the test's working directory, with a trailing backslash.
std::string ScratchFolder(const std::string& name);
std::string ReadFile(const std::string& path);
