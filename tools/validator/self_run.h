// This program started again as a child, for what must run in a process of its own.
#pragma once

#include <windows.h>

#include <map>
#include <string>

// This program run again with the arguments, in folder, as a host process of its own.
struct ChildRun {
    bool finished = false;  // false: still running after the time limit, and ended
    DWORD exitCode = 0;
    DWORD milliseconds = 0;
    std::string output;
    std::map<std::string, std::string> values;  // its "name=value" lines
};
ChildRun RunSelf(const std::string& arguments, const std::string& folder, DWORD timeLimitMs);
