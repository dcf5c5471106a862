#include "tools/validator/scratch_space.h"

#include <windows.h>
#include <shlwapi.h>

#include <fstream>
#include <sstream>

#include "platform/handles.h"

namespace {
const char kScratchKeyParent[] = "Software\\BandRejectTorture";
}  // namespace

ScratchKey::ScratchKey(const std::string& name)
    : path_(std::string(kScratchKeyParent) + "\\" + name + "-" + std::to_string(GetCurrentProcessId()))
{
}

ScratchKey::~ScratchKey()
{
    SHDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
    // Fails, as it should, while another campaign's key is still in it.
    RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKeyParent);
}

namespace {
std::string ScratchRoot()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "bandreject-torture-" + std::to_string(GetCurrentProcessId()) + "\\";
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA entry;
    {  // the search ends before its folder goes
        FindHandle search(FindFirstFileA((folder + "*").c_str(), &entry));
        if (search) {
            do {
                const std::string name = entry.cFileName;
                if (name == "." || name == "..")
                    continue;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(folder + name + "\\");
                else
                    DeleteFileA((folder + name).c_str());
            } while (FindNextFileA(search, &entry));
        }
    }
    RemoveDirectoryA(folder.c_str());
}
}  // namespace

std::string ScratchFolder(const std::string& name)
{
    const std::string root = ScratchRoot();
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string folder = root + name + "\\";
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void RemoveScratchFolders() { RemoveTree(ScratchRoot()); }

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}
