// Where checks keep what they plant: scratch folders and registry keys of this process, and
// whole files written and read back.
#pragma once

#include <string>

// A fresh empty folder for one check, with a trailing backslash, in this process's folder under
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
void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
