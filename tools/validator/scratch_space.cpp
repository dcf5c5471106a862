#include "tools/validator/scratch_space.h"

#include <windows.h>
#include <shlwapi.h>

#include <fstream>
#include <sstream>

#include "platform/handles.h"
#include "tools/shared/host_error.h"

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
    std::string folder = root + name + "\\";
    RemoveTree(folder);
    MakeFolder(folder);
    return folder;
}

void RemoveScratchFolders() { RemoveTree(ScratchRoot()); }

void WriteBytes(const std::string& path, const std::string& bytes)
{
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << bytes;
        if (!file.flush())
            throw HostError("cannot write " + path);
    }
    if (ReadBytes(path) != bytes)
        throw HostError(path + " does not hold what was written");
}

void CopyWholeFile(const std::string& from, const std::string& to)
{
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE) || ReadBytes(to) != ReadBytes(from))
        throw HostError("cannot copy " + from + " to " + to);
}

void MakeFolder(const std::string& folder)
{
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw HostError("cannot create the folder " + folder);
}

void WriteRegistryValue(const std::string& key, const char* name, DWORD type, const std::string& bytes)
{
    RegistryKey created;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_QUERY_VALUE,
                                  nullptr, created.Receive(), nullptr);
    if (result == ERROR_SUCCESS)
        result = RegSetValueExA(created, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                static_cast<DWORD>(bytes.size()));
    std::string stored(2 * bytes.size() + 2, '\0');
    DWORD storedType = 0, size = static_cast<DWORD>(stored.size());
    if (result == ERROR_SUCCESS)
        result = RegQueryValueExA(created, name, nullptr, &storedType, reinterpret_cast<BYTE*>(stored.data()), &size);
    // Strings come back through the system's code-page conversion, which may add a terminator:
    // of them only the type is compared.
    const bool isString = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    const bool same = isString || stored.compare(0, size, bytes) == 0;
    if (result != ERROR_SUCCESS || storedType != type || !same)
        throw HostError("cannot write the registry value " + key + "\\" + name);
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}
