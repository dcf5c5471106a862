// Mapping a language library as resources: with the image-resource mapping, and on a loader that
// refuses it as XP's does, where the data file mapping alone must serve. The library used has
// a DllMain that leaves a trace when anything runs it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/resource_library.h"
#include "res/resource_ids.h"
#include "tools/shared/plugin_library.h"

namespace {
const char kTraceVariable[] = "LANGUAGE_DLLMAIN_RAN";

std::vector<DWORD> flagsAsked;
// The SDK's constants are pasted literals that clang-tidy misreads inside macro arguments.
constexpr DWORD kImageResourceRefused = ERROR_INVALID_PARAMETER;

// XP's loader: LOAD_LIBRARY_AS_IMAGE_RESOURCE is an invalid parameter.
HMODULE WINAPI LoadAsXp(LPCSTR path, HANDLE file, DWORD flags)
{
    flagsAsked.push_back(flags);
    if (flags & LOAD_LIBRARY_AS_IMAGE_RESOURCE) {
        SetLastError(kImageResourceRefused);
        return nullptr;
    }
    return LoadLibraryExA(path, file, flags);
}

HMODULE WINAPI LoadRecorded(LPCSTR path, HANDLE file, DWORD flags)
{
    flagsAsked.push_back(flags);
    return LoadLibraryExA(path, file, flags);
}

class ResourceLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        flagsAsked.clear();
        SetEnvironmentVariableA(kTraceVariable, nullptr);
    }
    void TearDown() override { EXPECT_EQ(0u, GetEnvironmentVariableA(kTraceVariable, nullptr, 0)) << "DllMain ran"; }

    const std::string tracePath = ProgramFolder() + "trace_language_fixture.dll";
};

bool HoldsSettingsDialog(HMODULE module)
{
    return FindResourceA(module, MAKEINTRESOURCEA(IDD_SETTINGS), MAKEINTRESOURCEA(5)) != nullptr;
}

TEST_F(ResourceLibraryTest, MapsAsImageResourceWhereTheLoaderAllowsIt)
{
    ModuleHandle module(MapResourceLibrary(tracePath.c_str(), LoadRecorded));
    ASSERT_TRUE(module) << GetLastError();
    EXPECT_TRUE(HoldsSettingsDialog(module));
    EXPECT_EQ(std::vector<DWORD>{LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE}, flagsAsked);
}

TEST_F(ResourceLibraryTest, FallsBackToTheDataFileMappingWhereTheLoaderRefusesImageResources)
{
    ModuleHandle module(MapResourceLibrary(tracePath.c_str(), LoadAsXp));
    ASSERT_TRUE(module) << GetLastError();
    EXPECT_TRUE(HoldsSettingsDialog(module));
    EXPECT_EQ((std::vector<DWORD>{LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE, LOAD_LIBRARY_AS_DATAFILE}),
              flagsAsked);
}

TEST_F(ResourceLibraryTest, AMissingLibraryIsNotAskedForTwice)
{
    const std::string missing = ProgramFolder() + "no-such-language.dll";
    EXPECT_EQ(nullptr, MapResourceLibrary(missing.c_str(), LoadAsXp));
    EXPECT_NE(kImageResourceRefused, GetLastError());
    flagsAsked.clear();
    EXPECT_EQ(nullptr, MapResourceLibrary(missing.c_str(), LoadRecorded));
    EXPECT_EQ(1u, flagsAsked.size());
}
}  // namespace
