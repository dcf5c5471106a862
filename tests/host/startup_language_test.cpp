// Start-up with Language.xml variants: each in its own folder, read by its own process that
// loads BandReject.dll as a host does (tests/host/startup_probe.cpp reports what it saw).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/support/effect_host_runner.h"
#include "tools/shared/plugin_library.h"
#include "tools/shared/child_process.h"

namespace {
const char kLanguageCaption[] = "Language Library Dialog";
const char kTraceCaption[] = "Trace Library Dialog";
const char kProbeOwnCaption[] = "Probe Own Dialog";
const char kFontlessCaption[] = "Fontless Library Dialog";
const char kRunawayCaption[] = "Runaway Library Dialog";
const char kTraceFile[] = "language-dllmain-ran.txt";
const char kTraceVariable[] = "LANGUAGE_DLLMAIN_RAN";

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct Library {
    const char* fixture;  // built next to the test program
    const char* name;     // its name in the variant's folder
};

struct Variant {
    const char* folder;
    std::string languageXml;  // empty: no Language.xml at all
    std::vector<Library> libraries;
    bool withCom;
    const char* expectedSource;   // "language" or "own"
    const char* expectedCaption;  // the caption of the dialog 32200 in use
};

const Library kGerman{"language_dialog_fixture.dll", "Deutsch.dll"};

struct ProbeReport {
    DWORD exitCode = 0;
    std::map<std::string, std::string> values;
    std::string output;
};

ProbeReport RunProbe(const Variant& variant)
{
    const std::string folder = ScratchFolder(variant.folder);
    DeleteFileA((folder + "Language.xml").c_str());
    DeleteFileA((folder + kTraceFile).c_str());
    if (!variant.languageXml.empty())
        WriteFile(folder + "Language.xml", variant.languageXml);
    for (const Library& library : variant.libraries)
        CopyFileA((ProgramFolder() + library.fixture).c_str(), (folder + library.name).c_str(), FALSE);

    const RunResult run =
        RunProgram("\"" + ProgramFolder() + "startup_probe.exe\"" + (variant.withCom ? "" : " --no-com"), folder);
    ProbeReport report;
    report.exitCode = run.exitCode;
    report.output = run.output;
    report.values = NameValueLines(run.output);
    report.values["trace-file"] = Exists(folder + kTraceFile) ? "1" : "0";
    return report;
}

void CheckVariant(const Variant& variant)
{
    SCOPED_TRACE(variant.folder);
    ProbeReport report = RunProbe(variant);
    ASSERT_EQ(0u, report.exitCode) << report.output;
    EXPECT_EQ("1", report.values["dll-loaded"]) << report.output;
    EXPECT_EQ(variant.expectedSource, report.values["dialog-source"]) << report.output;
    EXPECT_EQ(variant.expectedCaption, report.values["dialog-caption"]) << report.output;
    EXPECT_EQ("", report.values["dllmain-variable"]);
    EXPECT_EQ("0", report.values["trace-file"]);
    EXPECT_LT(std::stoi("0" + report.values["load-ms"]), 10000) << "loading must stay bounded";
    if (report.values.count("window-caption")) {
        const std::string caption = report.values["window-caption"];
        if (variant.expectedSource == std::string("language")) {
            EXPECT_EQ(variant.expectedCaption, caption);
        } else {
            EXPECT_EQ(report.values["plugin-caption"], caption);
            EXPECT_NE("", caption);
        }
    }
}

TEST(StartupLanguage, RootPathSwitchesTheDialogToTheLanguageLibrary)
{
    const Variant rows[] = {
        {"any_root_name", "<Sprache Path=\"Deutsch.dll\"/>", {kGerman}, true, "language", kLanguageCaption},
        {"capitals", "<Language PATH=\"Deutsch.dll\"/>", {kGerman}, true, "language", kLanguageCaption},
        {"first_of_case_variants", "<Language path=\"Deutsch.dll\" PATH=\"Missing.dll\"/>", {kGerman}, true,
         "language", kLanguageCaption},
        {"with_children_and_comments",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- language -->\r\n<Language Name=\"Deutsch\" "
         "Path=\"Deutsch.dll\">\r\n  <String Id=\"1\">Text</String>\r\n</Language>\r\n",
         {kGerman}, true, "language", kLanguageCaption},
    };
    for (const Variant& row : rows)
        CheckVariant(row);
}

TEST(StartupLanguage, OwnResourcesStayWithoutAUsableRootPath)
{
    const Variant rows[] = {
        {"no_language_file", "", {kGerman}, true, "own", kProbeOwnCaption},
        {"path_on_child", "<Language><Strings Path=\"Deutsch.dll\"/></Language>", {kGerman}, true, "own",
         kProbeOwnCaption},
        {"first_of_case_variants_missing", "<Language PATH=\"Missing.dll\" Path=\"Deutsch.dll\"/>", {kGerman}, true,
         "own", kProbeOwnCaption},
        {"missing_library", "<Language Path=\"NoSuchLanguage.dll\"/>", {}, true, "own", kProbeOwnCaption},
        {"empty_path", "<Language Path=\"\"/>", {kGerman}, true, "own", kProbeOwnCaption},
        {"path_is_a_folder", "<Language Path=\".\"/>", {kGerman}, true, "own", kProbeOwnCaption},
        {"path_is_no_library", "<Language Path=\"Language.xml\"/>", {kGerman}, true, "own", kProbeOwnCaption},
        {"no_root", "<?xml version=\"1.0\"?>\r\n<!-- Path=\"Deutsch.dll\" -->\r\n", {kGerman}, true, "own",
         kProbeOwnCaption},
        {"not_well_formed", "<Language Path=\"Deutsch.dll\">", {kGerman}, true, "own", kProbeOwnCaption},
        {"binary", std::string("MZ\x90\0\3\0\0\0", 8) + "<Language Path=\"Deutsch.dll\"/>", {kGerman}, true,
         "own", kProbeOwnCaption},
    };
    for (const Variant& row : rows)
        CheckVariant(row);
}

TEST(StartupLanguage, LibraryWithoutTheDialogFallsBackToOwnTemplate)
{
    CheckVariant({"string_only", "<Language Path=\"Nur.dll\"/>", {{"string_only_fixture.dll", "Nur.dll"}}, true,
                  "own", kProbeOwnCaption});
}

TEST(StartupLanguage, LibraryTemplateThatDoesNotFitFallsBackToOwnTemplate)
{
    const Variant rows[] = {
        {"fontless_template", "<Language Path=\"Ohne.dll\"/>", {{"fontless_dialog_fixture.dll", "Ohne.dll"}}, true,
         "language", kFontlessCaption},
        {"runaway_items", "<Language Path=\"Lauf.dll\"/>", {{"runaway_items_fixture.dll", "Lauf.dll"}}, true,
         "language", kRunawayCaption},
    };
    for (const Variant& row : rows) {
        SCOPED_TRACE(row.folder);
        ProbeReport report = RunProbe(row);
        ASSERT_EQ(0u, report.exitCode) << report.output;
        // The library is switched to; only its template is refused.
        EXPECT_EQ(row.expectedSource, report.values["dialog-source"]) << report.output;
        EXPECT_EQ(row.expectedCaption, report.values["dialog-caption"]) << report.output;
        EXPECT_NE("", report.values["plugin-caption"]) << report.output;
        EXPECT_EQ(report.values["plugin-caption"], report.values["window-caption"]) << report.output;
    }
}

TEST(StartupLanguage, HostWithoutComStillLoadsTheLibrary)
{
    CheckVariant({"no_com", "<Language Path=\"Deutsch.dll\"/>", {kGerman}, false, "own", kProbeOwnCaption});
}

TEST(StartupLanguage, LanguageLibraryCodeNeverRuns)
{
    // The fixture does leave its trace when loaded as code: without that the check is empty.
    const std::string control = ScratchFolder("trace_control");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(control.c_str()));
    DeleteFileA(kTraceFile);
    HMODULE asCode = LoadLibraryA((ProgramFolder() + "trace_language_fixture.dll").c_str());
    const bool traced = Exists(kTraceFile) && GetEnvironmentVariableA(kTraceVariable, nullptr, 0) > 0;
    if (asCode)
        FreeLibrary(asCode);
    SetEnvironmentVariableA(kTraceVariable, nullptr);
    SetCurrentDirectoryA(previous);
    ASSERT_TRUE(traced) << "the trace fixture's DllMain left no trace";

    CheckVariant({"trace", "<Language Path=\"Trace.dll\"/>", {{"trace_language_fixture.dll", "Trace.dll"}}, true,
                  "language", kTraceCaption});
}

TEST(StartupLanguage, HostileFilesStayBounded)
{
    // 30,000 levels in 210 KB, within the size limit, so that the parser sees it. The parser
    // refuses nesting this deep, as it refuses a malformed file: the own resources stay.
    std::string deep = "<Language Path=\"Deutsch.dll\">";
    for (int i = 0; i < 30000; ++i)
        deep += "<e>";
    for (int i = 0; i < 30000; ++i)
        deep += "</e>";
    deep += "</Language>";
    CheckVariant({"deep", deep, {kGerman}, true, "own", kProbeOwnCaption});

    std::string large = "<Language Path=\"Deutsch.dll\">";
    while (large.size() < 4 * 1024 * 1024)
        large += "<String Id=\"12345\" Text=\"some translated text\"/>\r\n";
    large += "</Language>";

    // Ten levels of entities, each ten of the one before: 10^10 characters if expanded.
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\">";
    for (char name = 'b'; name <= 'k'; ++name) {
        laughs += std::string("<!ENTITY ") + name + " \"";
        for (int i = 0; i < 10; ++i)
            laughs += std::string("&") + static_cast<char>(name - 1) + ";";
        laughs += "\">";
    }
    laughs += "]><Language Path=\"Deutsch.dll\" Text=\"&k;\"/>";

    // One level of entities, many references: 100 KB times 10,000 in a file of 140 KB.
    std::string blowup =
        "<!DOCTYPE l [<!ENTITY a \"" + std::string(100000, 'x') + "\">]><Language Path=\"Deutsch.dll\" T=\"";
    for (int i = 0; i < 10000; ++i)
        blowup += "&a;";
    blowup += "\"/>";

    // Attributes of one element, which the parser reads in quadratic time: refused unparsed
    // even within the size limit.
    auto attributes = [](size_t bytes) {
        std::string text = "<Language Path=\"Deutsch.dll\"";
        for (int i = 0; text.size() < bytes; ++i)
            text += " a" + std::to_string(i) + "=\"1\"";
        return text + "/>";
    };

    const Variant rows[] = {
        {"large", large, {kGerman}, true, "own", kProbeOwnCaption},
        {"entity_expansion", laughs, {kGerman}, true, nullptr, nullptr},
        {"entity_blowup", blowup, {kGerman}, true, "own", kProbeOwnCaption},
        {"attributes_within_size_limit", attributes(250 * 1024), {kGerman}, true, "own", kProbeOwnCaption},
        {"attributes_beyond_size_limit", attributes(257 * 1024), {kGerman}, true, "own", kProbeOwnCaption},
    };
    for (const Variant& row : rows) {
        SCOPED_TRACE(row.folder);
        ProbeReport report = RunProbe(row);
        ASSERT_EQ(0u, report.exitCode) << report.output;
        EXPECT_EQ("1", report.values["dll-loaded"]) << report.output;
        EXPECT_LT(std::stoi("0" + report.values["load-ms"]), 10000) << "loading must stay bounded";
        if (row.expectedSource)
            EXPECT_EQ(row.expectedSource, report.values["dialog-source"]) << report.output;
        else
            std::printf("%s: dialog from %s, loaded in %s ms\n", row.folder, report.values["dialog-source"].c_str(),
                        report.values["load-ms"].c_str());
    }
}
}  // namespace
