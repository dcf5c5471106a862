// effect-host process IN.wav OUT.wav, or process IN.wav... --out-dir DIR: the job a user runs
// the plug-in for.
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "tools/effect-host/chain_stages.h"
#include "tools/effect-host/commands.h"
#include "tools/effect-host/file_patterns.h"
#include "tools/effect-host/parallel_jobs.h"
#include "tools/effect-host/process_file.h"

namespace {

// Every tenth percent of a file longer than 30 seconds.
class Progress {
public:
    void operator()(uint64_t done, uint64_t total, uint32_t sampleRate)
    {
        if (total <= 30ULL * sampleRate)
            return;
        const int percent = static_cast<int>(done * 100 / total);
        if (percent >= shown_ + 10) {
            shown_ = percent - percent % 10;
            std::fprintf(stderr, "effect-host: %d%%\n", shown_);
        }
    }

private:
    int shown_ = 0;
};

// "a.wav -> b.wav: 1000 frames, 2 channel(s), ... ; level ...", then what the user should know.
std::string ResultLines(const ProcessRequest& request, const ProcessResult& result, const StreamChain& chain)
{
    std::string lines;
    for (const std::string& warning : result.warnings)
        lines += "effect-host: warning: " + request.input + ": " + warning + "\n";
    for (const std::string& note : result.notes)
        lines += "effect-host: note: " + request.input + ": " + note + "\n";
    lines += "effect-host: " + request.input + " -> " + request.output + ": " + std::to_string(result.frames) +
             " frames, " + result.inputFormat.Describe() + "; " + DescribeStages(chain, result.stages);
    if (result.outputContainer != WavContainer::Riff)
        lines += std::string("; written as ") + ContainerName(result.outputContainer);
    lines += "\n";
    if (result.clipped)
        lines += "effect-host: " + std::to_string(result.clipped) + " samples clipped to the range of " +
                 (result.outputFormat.encoding == SampleEncoding::Pcm
                      ? std::to_string(result.outputFormat.bitsPerSample) + "-bit PCM"
                      : std::string("G.711")) +
                 "\n";
    return lines;
}

// The output beside the others: the input's name, as .wav when its container changes.
std::string OutputName(const std::string& folder, const std::string& input, bool sameFormat)
{
    std::string name = BaseName(input);
    const size_t dot = name.find_last_of('.');
    if (!sameFormat && dot != std::string::npos && _stricmp(name.c_str() + dot, ".w64") == 0)
        name.erase(dot).append(".wav");
    const char last = folder.empty() ? '\\' : folder.back();
    return folder + (last == '\\' || last == '/' ? "" : "\\") + name;
}

int RunBatch(const PluginLibrary& plugin, const std::vector<ChainStage>& stages, const std::vector<ProcessRequest>& requests,
             unsigned jobs)
{
    std::map<std::string, std::string> outputs;
    for (const ProcessRequest& request : requests) {
        std::string key = request.output;
        CharLowerA(key.data());
        const auto taken = outputs.emplace(key, request.input);
        if (!taken.second)
            throw UsageError(request.input + " and " + taken.first->second + " would both be written to " +
                             request.output);
    }
    const unsigned workers = std::min<unsigned>(jobs, static_cast<unsigned>(requests.size()));
    std::vector<std::unique_ptr<StreamChain>> chains;
    for (unsigned w = 0; w < workers; ++w)
        chains.push_back(std::make_unique<StreamChain>(plugin, stages));

    CriticalSection outputLock;
    size_t finished = 0, failed = 0;
    RunJobs(workers, requests.size(), [&](unsigned worker, size_t index) {
        const ProcessRequest& request = requests[index];
        std::string lines;
        bool ok = true;
        try {
            const StreamChain& chain = *chains[worker];
            lines = ResultLines(request, ProcessFile(chain, request), chain);
        } catch (const std::exception& error) {
            lines = "effect-host: error: " + request.input + ": " + error.what() + "\n";
            ok = false;
        }
        CriticalSection::Lock lock(outputLock);
        ++finished;
        failed += ok ? 0 : 1;
        std::fprintf(stderr, "%seffect-host: %zu of %zu files done\n", lines.c_str(), finished, requests.size());
        std::fflush(stderr);
    });
    std::fprintf(stderr, "effect-host: %zu files processed, %zu failed\n", requests.size() - failed, failed);
    return failed ? 1 : 0;
}

}  // namespace

int RunProcess(int argc, char** argv)
{
    const std::vector<Options> groups =
        StageGroups(argc, argv, {"same-format", "block", "out-dir", "jobs"}, {"same-format"});
    const Options& options = groups[0];
    const bool batch = options.Has("out-dir");
    if (batch ? options.Positional().empty() : options.Positional().size() != 2)
        throw UsageError("process takes an input and an output file, or input files and --out-dir DIR");
    if (!batch && options.Has("jobs"))
        throw UsageError("--jobs goes with --out-dir");
    const uint32_t hostBlock = options.Unsigned("block", 4096);
    if (hostBlock == 0 || hostBlock > (1u << 24))
        throw UsageError("--block takes a sample count from 1 to 16777216");
    const uint32_t jobs = options.Unsigned("jobs", ProcessorCount());
    if (jobs == 0 || jobs > kMaxWorkers)
        throw UsageError("--jobs takes a number from 1 to " + std::to_string(kMaxWorkers));

    PluginLibrary plugin;
    const std::vector<ChainStage> stages = ChainStages(plugin, groups);
    ProcessRequest request;
    request.sameFormat = options.Has("same-format");
    request.hostBlock = hostBlock;
    if (batch) {
        const std::string folder = options.Text("out-dir");
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw UsageError("--out-dir " + folder + " is not a folder");
        std::vector<ProcessRequest> requests;
        for (const std::string& name : options.Positional())
            for (const std::string& input : ExpandFileName(name)) {
                request.input = input;
                request.output = OutputName(folder, input, request.sameFormat);
                requests.push_back(request);
            }
        return RunBatch(plugin, stages, requests, jobs);
    }

    request.input = options.Positional()[0];
    request.output = options.Positional()[1];
    const StreamChain chain(plugin, stages);
    try {
        const ProcessResult result = ProcessFile(chain, request, Progress());
        std::fputs(ResultLines(request, result, chain).c_str(), stderr);
    } catch (const std::exception& error) {
        throw HostError(request.input + ": " + error.what());
    }
    return 0;
}
