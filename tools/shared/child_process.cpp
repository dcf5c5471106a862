#include "tools/shared/child_process.h"

#include <sstream>
#include <stdexcept>

#include "platform/handles.h"

ChildExit RunChild(const std::string& commandLine, const std::string& folder, const std::string& outputPath,
                   DWORD timeLimitMs, const std::function<void(DWORD processId)>& whileRunning)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    FileHandle output(CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output)
        throw std::runtime_error("cannot create " + outputPath);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION info{};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.empty() ? nullptr : folder.c_str(),
                        &startup, &info))
        throw std::runtime_error("cannot start " + commandLine);
    KernelHandle process(info.hProcess);
    KernelHandle thread(info.hThread);
    if (whileRunning)
        whileRunning(info.dwProcessId);
    ChildExit exit;
    const DWORD start = GetTickCount();
    exit.finished = WaitForSingleObject(process, timeLimitMs) == WAIT_OBJECT_0;
    exit.milliseconds = GetTickCount() - start;
    if (!exit.finished) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, INFINITE);
    }
    GetExitCodeProcess(process, &exit.exitCode);
    return exit;
}

std::map<std::string, std::string> NameValueLines(const std::string& output)
{
    std::map<std::string, std::string> values;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t equals = line.find('=');
        if (equals != std::string::npos)
            values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}
