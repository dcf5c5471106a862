// Checks of hostile files: Language.xml variants read at start-up and preset files read
// with the library's XML loader. Each load runs in a process of its own (this program again,
// with --probe), so that a load that hangs or eats memory is measured and ended from outside.
#include <windows.h>
#include <psapi.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/shared/options.h"
#include "tools/shared/preset_xml.h"
#include "tools/validator/campaign.h"
#include "tools/validator/scratch_space.h"
#include "tools/validator/self_run.h"
#include "tools/validator/validator_frame.h"

namespace {
const char kPlanted[] = "Planted.dll";
const char kPlantedCaption[] = "Trace Library Dialog";
const char kTraceVariable[] = "LANGUAGE_DLLMAIN_RAN";
// The value that only a file's hostile part could give the preset's centre frequency.
const char kPlantedCentre[] = "12345";
constexpr DWORD kTimeLimitMs = 30000;
// What one load may add to the peak working set of a process that read nothing.
constexpr double kBoundedMegabytes = 64.0;

struct Document {
    std::string name;
    std::string bytes;  // the file; empty with absent set: no file at all
    bool absent = false;
    std::vector<std::pair<std::string, std::string>> companions;  // other files beside it
};

std::string Repeat(const std::string& text, size_t times)
{
    std::string result;
    result.reserve(text.size() * times);
    for (size_t i = 0; i < times; ++i)
        result += text;
    return result;
}

// Each hostile form, built around root (the document element's start tag without its end) and
// content (what a harmless document holds inside it). What a hostile part could smuggle in is
// planted: the language library's path or the preset's centre frequency.
std::vector<Document> HostileDocuments(const std::string& root, const std::string& rootName,
                                       const std::string& plantedAttribute, const std::string& plantedContent,
                                       bool quick, std::mt19937& random)
{
    std::vector<Document> documents;
    documents.push_back({"absent", "", true, {}});
    documents.push_back({"0 bytes", "", false, {}});
    std::string binary(4096, '\0');
    for (char& c : binary)
        c = static_cast<char>(random());
    documents.push_back({"random bytes", binary, false, {}});
    documents.push_back({"invalid UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + root + " " + plantedAttribute +
                                              " Name=\"\xC3\x28\xFF\">" + plantedContent + "</" + rootName + ">",
                         false, {}});
    documents.push_back({"unknown encoding", "<?xml version=\"1.0\" encoding=\"x-no-such-encoding\"?>" + root + " " +
                                                 plantedAttribute + ">" + plantedContent + "</" + rootName + ">",
                         false, {}});
    documents.push_back({"cut UTF-16", std::string("\xFF\xFE<\0L\0a\0", 7), false, {}});

    std::string large = root + " " + plantedAttribute + ">" + plantedContent;
    const std::string filler = "<String Id=\"12345\" Text=\"some translated text\"/>\r\n";
    large += Repeat(filler, (10u << 20) / filler.size()) + "</" + rootName + ">";
    documents.push_back({"10 MB", large, false, {}});

    // Deep: the planted part sits at the bottom, where nothing reads it.
    const size_t depth = 10000;
    documents.push_back({"10,000 levels deep", root + ">" + Repeat("<e>", depth) + plantedContent + "<p " +
                                                   plantedAttribute + "/>" + Repeat("</e>", depth) + "</" + rootName +
                                                   ">",
                         false, {}});

    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE " + rootName + " [<!ENTITY a \"aaaaaaaaaa\">";
    for (char name = 'b'; name <= 'k'; ++name)
        laughs += std::string("<!ENTITY ") + name + " \"" + Repeat(std::string("&") + static_cast<char>(name - 1) + ";", 10) +
                  "\">";
    documents.push_back({"billion laughs", laughs + "]>" + root + " " + plantedAttribute + " Text=\"&k;\">" +
                                               plantedContent + "</" + rootName + ">",
                         false, {}});
    // One level of entities, many references: 100 KB times 10,000 in one attribute.
    documents.push_back({"quadratic blowup",
                         "<?xml version=\"1.0\"?><!DOCTYPE " + rootName + " [<!ENTITY a \"" + std::string(100000, 'x') +
                             "\">]>" + root + " " + plantedAttribute + " Text=\"" + Repeat("&a;", 10000) + "\">" +
                             plantedContent + "</" + rootName + ">",
                         false, {}});
    documents.push_back({"quadratic blowup over many attributes",
                         "<?xml version=\"1.0\"?><!DOCTYPE " + rootName + " [<!ENTITY a \"" + std::string(100000, 'x') +
                             "\">]>" + root + " " + plantedAttribute + ">" + plantedContent +
                             Repeat("<s t=\"&a;\"/>", 10000) + "</" + rootName + ">",
                         false, {}});
    // The parser reads the attributes of one element in quadratic time. Nothing is planted: such
    // a file is well-formed, and only how long it takes is at stake.
    auto attributes = [&](size_t bytes) {
        std::string text = root;
        for (int i = 0; text.size() < bytes; ++i)
            text += " a" + std::to_string(i) + "=\"1\"";
        return text + ">" + plantedContent + "</" + rootName + ">";
    };
    if (!quick)
        documents.push_back({"of a quarter megabyte of attributes", attributes(250 << 10), false, {}});
    documents.push_back({"of a megabyte of attributes", attributes(1 << 20), false, {}});
    return documents;
}

// The external forms: the planted value lives in a file beside the document.
void AddExternalDocuments(std::vector<Document>& documents, const std::string& rootName,
                          const std::string& plantedAttributeName, const std::string& plantedValue,
                          const std::string& plantedElement)
{
    const std::string dtd = "<!ATTLIST " + plantedElement + " " + plantedAttributeName + " CDATA \"" + plantedValue +
                            "\">";
    const std::string element = plantedElement == rootName ? "" : "<" + plantedElement + "/>";
    documents.push_back({"external entity",
                         "<?xml version=\"1.0\"?><!DOCTYPE " + rootName + " [<!ENTITY planted SYSTEM \"planted.txt\">]><" +
                             rootName + (element.empty() ? " " + plantedAttributeName + "=\"&planted;\"/>"
                                                         : "><" + plantedElement + " " + plantedAttributeName +
                                                               "=\"&planted;\"/></" + rootName + ">"),
                         false,
                         {{"planted.txt", plantedValue}}});
    documents.push_back({"external DTD",
                         "<?xml version=\"1.0\"?><!DOCTYPE " + rootName + " SYSTEM \"planted.dtd\"><" + rootName + ">" +
                             element + "</" + rootName + ">",
                         false,
                         {{"planted.dtd", dtd}}});
    documents.push_back({"external parameter entity",
                         "<?xml version=\"1.0\"?><!DOCTYPE " + rootName +
                             " [<!ENTITY % planted SYSTEM \"planted.dtd\"> %planted;]><" + rootName + ">" + element +
                             "</" + rootName + ">",
                         false,
                         {{"planted.dtd", dtd}}});
}

std::string FolderFor(const std::string& kind, const std::string& name)
{
    std::string folder = kind + "-";
    for (char c : name)
        folder += isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return ScratchFolder(folder);
}

void Place(const std::string& folder, const std::string& fileName, const Document& document)
{
    if (!document.absent)
        WriteBytes(folder + fileName, document.bytes);
    for (const auto& companion : document.companions)
        WriteBytes(folder + companion.first, companion.second);
}

double Number(const ChildRun& run, const char* name)
{
    const auto found = run.values.find(name);
    return found == run.values.end() ? -1.0 : std::atof(found->second.c_str());  // NOLINT(cert-err34-c): a number the validator wrote
}

std::string Value(const ChildRun& run, const char* name)
{
    const auto found = run.values.find(name);
    return found == run.values.end() ? "" : found->second;
}

// A library whose code leaves a trace when anything runs it: the start-up tests' fixture when it
// was built beside this program, otherwise a copy of the plug-in itself (then only the module
// list tells whether it was loaded as code).
std::string PlantedLibrarySource(const PluginLibrary& plugin)
{
    const std::string trace = ProgramFolder() + "trace_language_fixture.dll";
    return GetFileAttributesA(trace.c_str()) != INVALID_FILE_ATTRIBUTES ? trace : plugin.Path();
}

// One load in a probe process of its own, of the plug-in under test, in folder.
ChildRun RunProbe(const Campaign& campaign, const std::string& probe, const std::string& folder)
{
    return RunSelf("\"" + campaign.Library().Path() + "\" --probe " + probe, folder, kTimeLimitMs);
}

struct Baseline {
    double megabytes = 0;
    std::string ownCaption;
};

// Why a load did not end by itself, or nothing.
std::string Ending(const ChildRun& run)
{
    if (!run.finished)
        return "still running after " + std::to_string(kTimeLimitMs / 1000) + " s, ended; ";
    if (run.exitCode != 0)
        return "exit code " + std::to_string(run.exitCode) + ": " + run.output.substr(0, 200) + "; ";
    return "";
}

// What the load took: time with the process's start, and memory beyond a process that read nothing.
std::string Cost(const ChildRun& run, const Baseline& baseline)
{
    char text[64];
    std::snprintf(text, sizeof text, "%lu ms, %.1f MB", static_cast<unsigned long>(run.milliseconds),
                  Number(run, "peak-memory-mb") - baseline.megabytes);
    return text;
}

bool WithinBounds(const Campaign& campaign, const ChildRun& run, const Baseline& baseline, double extraMegabytes)
{
    return run.finished && run.exitCode == 0 && run.milliseconds <= campaign.LoadLimitMs() &&
           Number(run, "peak-memory-mb") - baseline.megabytes <= kBoundedMegabytes + extraMegabytes;
}

void CheckLanguageFiles(Campaign& campaign)
{
    const std::string planted = PlantedLibrarySource(campaign.Library());
    const bool traceable = planted.find("trace_language_fixture") != std::string::npos;
    std::vector<Document> documents =
        HostileDocuments("<Language", "Language", "Path=\"Planted.dll\"", "", campaign.Quick(),
                         campaign.Random());
    AddExternalDocuments(documents, "Language", "Path", kPlanted, "Language");

    Baseline baseline;
    {
        const std::string folder = FolderFor("language", "baseline");
        const ChildRun run = RunProbe(campaign, "startup", folder);
        baseline.megabytes = Number(run, "peak-memory-mb");
        baseline.ownCaption = Value(run, "caption");
        const bool loaded =
            run.finished && run.exitCode == 0 && Value(run, "loaded") == "1" && !baseline.ownCaption.empty();
        campaign.Check("hostile files: the plug-in loads and opens its window without a Language.xml", loaded,
                       loaded ? "" : run.output.substr(0, 200));
    }
    for (const Document& document : documents) {
        const std::string folder = FolderFor("language", document.name);
        Place(folder, "Language.xml", document);
        CopyWholeFile(planted, folder + kPlanted);
        const ChildRun run = RunProbe(campaign, "startup", folder);
        const std::string prefix = "hostile files: Language.xml " + document.name;
        campaign.Check(prefix + " loads in bounded time and memory", WithinBounds(campaign, run, baseline, 0),
                       Ending(run) + Cost(run, baseline));
        campaign.Check(prefix + " leaves the plug-in's own resources in use",
                       Value(run, "loaded") == "1" && Value(run, "caption") == baseline.ownCaption,
                       "caption '" + Value(run, "caption") + "'");
        campaign.Check(prefix + " runs no code of a planted library",
                       Value(run, "planted-as-code") == "0" && Value(run, "trace").empty());
    }

    // A well-formed file naming the planted library: its resources are used, its code never runs.
    const Document named[] = {
        {"naming a library with code", "<Language Path=\"Planted.dll\"/>", false, {}},
        {"naming it without extension", "<Language Path=\"Planted\"/>", false, {}},
        {"naming it by a path with ..", "<Language Path=\"sub\\..\\Planted.dll\"/>", false, {}},
    };
    for (const Document& document : named) {
        const std::string folder = FolderFor("language", document.name);
        Place(folder, "Language.xml", document);
        MakeFolder(folder + "sub");
        CopyWholeFile(planted, folder + kPlanted);
        const ChildRun run = RunProbe(campaign, "startup", folder);
        const std::string prefix = "hostile files: Language.xml " + document.name;
        const bool switched = !traceable || Value(run, "caption") == kPlantedCaption;
        const bool passed = run.finished && Value(run, "loaded") == "1" && switched &&
                            Value(run, "planted-as-code") == "0" && Value(run, "trace").empty();
        campaign.Check(prefix + " takes the library's resources and runs none of its code", passed,
                       passed ? "" : run.output.substr(0, 200));
    }
}

void CheckPresetFiles(Campaign& campaign)
{
    std::vector<Document> documents = HostileDocuments("<Preset", "Preset", "Name=\"hostile\"",
                                                       "<CutOffFreq Value=\"777\"/>", campaign.Quick(),
                                                       campaign.Random());
    AddExternalDocuments(documents, "Preset", "Value", kPlantedCentre, "CutOffFreq");

    Baseline baseline;
    {
        const std::string folder = FolderFor("preset", "baseline");
        WriteBytes(folder + "preset.xml", "<Preset><CutOffFreq Value=\"777\"/></Preset>");
        const ChildRun run = RunProbe(campaign, "preset --file preset.xml", folder);
        baseline.megabytes = Number(run, "peak-memory-mb");
        const bool loaded = Value(run, "centre") == "777";
        campaign.Check("hostile files: a plain preset file loads", loaded, loaded ? "" : run.output.substr(0, 200));
    }
    for (const Document& document : documents) {
        const std::string folder = FolderFor("preset", document.name);
        Place(folder, "preset.xml", document);
        const ChildRun run = RunProbe(campaign, "preset --file preset.xml", folder);
        const std::string prefix = "hostile files: preset " + document.name;
        // A large file may take memory in proportion to its size: its tree has to be held.
        const double extra = 32.0 * static_cast<double>(document.bytes.size()) / (1 << 20);
        campaign.Check(prefix + " loads in bounded time and memory", WithinBounds(campaign, run, baseline, extra),
                       Ending(run) + Cost(run, baseline));
        const std::string centre = Value(run, "centre");
        // Refused, or read: the harmless centre, or the default where the file buries it.
        const bool harmless = Value(run, "refused") == "1" || centre == "777" || centre == "1000";
        campaign.Check(prefix + " is refused or read without its hostile part", harmless,
                       Value(run, "refused") == "1" ? "refused" : "centre " + centre);
    }
}

double PeakMemoryMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / (1 << 20);
}

int ProbeStartup(const std::string& pluginPath)
{
    const DWORD start = GetTickCount();
    PluginLibrary plugin(pluginPath);
    std::printf("load-ms=%lu\nloaded=1\n", static_cast<unsigned long>(GetTickCount() - start));
    EffectSettings record{1.0, 1.0, 1000, 400, nullptr, nullptr, nullptr, 0};
    char caption[256] = "";
    {
        const HostFrame parent(kHiddenParent);
        if (const HWND window = plugin.CreateSettingsWindow(parent.Handle(), &record))
            GetWindowTextA(window, caption, sizeof caption);
    }
    char trace[16] = "";
    GetEnvironmentVariableA(kTraceVariable, trace, sizeof trace);
    std::printf("caption=%s\nplanted-as-code=%d\ntrace=%s\npeak-memory-mb=%.1f\n", caption,
                GetModuleHandleA(kPlanted) != nullptr, trace, PeakMemoryMegabytes());
    return 0;
}

int ProbePreset(const std::string& pluginPath, const std::string& file)
{
    PluginLibrary plugin(pluginPath);
    try {
        const SettingsRecord record = LoadPresetXml(plugin, file);
        std::printf("centre=%u\n", record->cutOffFreq);
    } catch (const HostError& error) {
        std::printf("refused=1\nreason=%s\n", error.what());
    }
    std::printf("peak-memory-mb=%.1f\n", PeakMemoryMegabytes());
    return 0;
}
}  // namespace

void CheckHostileFiles(Campaign& campaign)
{
    CheckLanguageFiles(campaign);
    CheckPresetFiles(campaign);
}

int RunFileProbe(const std::string& pluginPath, const std::string& kind, const std::string& file)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (kind == "startup")
        return ProbeStartup(pluginPath);
    if (kind == "preset")
        return ProbePreset(pluginPath, file);
    throw UsageError("--probe takes startup or preset");
}
