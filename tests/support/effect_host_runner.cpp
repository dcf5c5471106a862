#include "support/effect_host_runner.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/handles.h"
#include "support/plugin_library.h"

std::string EffectHostPath() { return ProgramFolder() + "effect-host.exe"; }

RunResult RunProgram(const std::string& commandLine, const std::string& currentFolder,
                     const std::function<void(DWORD processId)>& whileRunning)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    char tempFolder[MAX_PATH], tempName[MAX_PATH];
    GetTempPathA(MAX_PATH, tempFolder);
    GetTempFileNameA(tempFolder, "eho", 0, tempName);
    RunResult result;
    {
        FileHandle output(CreateFileA(tempName, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (!output)
            throw std::runtime_error("cannot create a file for the child's output");
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = output;
        PROCESS_INFORMATION info{};
        std::string line = commandLine;
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                            currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup, &info))
            throw std::runtime_error("cannot start " + commandLine);
        KernelHandle process(info.hProcess);
        KernelHandle thread(info.hThread);
        if (whileRunning)
            whileRunning(info.dwProcessId);
        if (WaitForSingleObject(process, 120000) != WAIT_OBJECT_0) {
            TerminateProcess(process, 99);
            throw std::runtime_error("timed out: " + commandLine);
        }
        GetExitCodeProcess(process, &result.exitCode);
    }
    result.output = ReadFile(tempName);
    DeleteFileA(tempName);
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
