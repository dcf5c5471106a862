// The DLL's version resource carries the project's version, as the build configures it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tools/shared/plugin_library.h"

namespace {
std::vector<char> VersionInfo()
{
    const std::string dll = ProgramFolder() + "BandReject.dll";
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(dll.c_str(), &ignored));
    if (info.empty() || !GetFileVersionInfoA(dll.c_str(), 0, static_cast<DWORD>(info.size()), info.data()))
        info.clear();
    return info;
}

std::string StringValue(std::vector<char>& info, const char* name)
{
    char* text = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904E4\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) || length == 0)
        return "";
    return std::string(text, strnlen(text, length));
}

TEST(VersionResource, CarriesTheProjectVersion)
{
    std::vector<char> info = VersionInfo();
    ASSERT_FALSE(info.empty()) << "no version resource";

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    const std::string numbers = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionLS));
    const std::string expected = BANDREJECT_VERSION ".0";
    EXPECT_EQ(expected, numbers);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
    EXPECT_EQ(expected, StringValue(info, "FileVersion"));
    EXPECT_EQ(expected, StringValue(info, "ProductVersion"));
    EXPECT_EQ("BandReject.dll", StringValue(info, "OriginalFilename"));
}
}  // namespace
