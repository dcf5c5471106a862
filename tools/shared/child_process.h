// A program run as a child process with its standard output and error in a file, as the
// torture campaign runs its probes and the tests run the tool.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

struct ChildExit {
    bool finished = false;  // false: still running after the time limit, and ended with code 99
    DWORD exitCode = 0;
    DWORD milliseconds = 0;
};

// Runs commandLine in folder (empty: this process's current folder). whileRunning, when given,
// is called with the child's process id once it has started, before it is waited for. Throws
// std::runtime_error when the output file or the process cannot be made.
ChildExit RunChild(const std::string& commandLine, const std::string& folder, const std::string& outputPath,
                   DWORD timeLimitMs, const std::function<void(DWORD processId)>& whileRunning = nullptr);

// The "name=value" lines of a program's output, without their line ends.
std::map<std::string, std::string> NameValueLines(const std::string& output);
