#include "tools/validator/self_run.h"

#include "tools/shared/child_process.h"
#include "tools/shared/plugin_library.h"
#include "tools/validator/scratch_space.h"

ChildRun RunSelf(const std::string& arguments, const std::string& folder, DWORD timeLimitMs)
{
    const std::string outputPath = folder + "child-output.txt";
    ChildRun run;
    const ChildExit exit =
        RunChild("\"" + ProgramPath() + "\" " + arguments, folder, outputPath, timeLimitMs);
    run.finished = exit.finished;
    run.exitCode = exit.exitCode;
    run.milliseconds = exit.milliseconds;
    run.output = ReadBytes(outputPath);
    run.values = NameValueLines(run.output);
    return run;
}
