// Where checks keep what they plant: scratch folders and registry keys of this process, and
// whole files written and read back.
#pragma once

#include <windows.h>

#include <string>

// A fresh empty folder for one check (HostError when it cannot be made), with a trailing backslash, in this process's folder under
// the system's temporary folder; RemoveScratchFolders deletes them all.
std::string ScratchFolder(const std::string& name);
void RemoveScratchFolders();
// A registry key of this process under HKCU\Software\BandRejectTorture, deleted with its
// subkeys when the owner goes, and the parent with it once no other campaign uses it.
class ScratchKey {
public:
    explicit ScratchKey(const std::string& name);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// What the checks plant. Each throws HostError unless what it meant to write is there, read
// back, so that no check passes against a file or value that was never written.
void WriteBytes(const std::string& path, const std::string& bytes);
void CopyWholeFile(const std::string& from, const std::string& to);
void MakeFolder(const std::string& folder);
void WriteRegistryValue(const std::string& key, const char* name, DWORD type, const std::string& bytes);

std::string ReadBytes(const std::string& path);
