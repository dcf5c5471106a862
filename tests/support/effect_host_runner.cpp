#include "tests/support/effect_host_runner.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tools/shared/plugin_library.h"
#include "tools/shared/child_process.h"

std::string EffectHostPath() { return ProgramFolder() + "effect-host.exe"; }

RunResult RunProgram(const std::string& commandLine, const std::string& currentFolder,
                     const std::function<void(DWORD processId)>& whileRunning)
{
    char tempFolder[MAX_PATH], tempName[MAX_PATH];
    GetTempPathA(MAX_PATH, tempFolder);
    GetTempFileNameA(tempFolder, "eho", 0, tempName);
    const ChildExit exit = RunChild(commandLine, currentFolder, tempName, 120000, whileRunning);
    RunResult result;
    result.exitCode = exit.exitCode;
    result.output = ReadFile(tempName);
    DeleteFileA(tempName);
    if (!exit.finished)
        throw std::runtime_error("timed out: " + commandLine);
    return result;
}

RunResult RunEffectHost(const std::string& arguments, const std::function<void(DWORD processId)>& whileRunning)
{
    return RunProgram("\"" + EffectHostPath() + "\" " + arguments, "", whileRunning);
}

std::string ScratchFolder(const std::string& name)
{
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    const std::string folder = std::string(current) + "\\" + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\";
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}
