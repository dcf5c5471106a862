// A file written under a temporary name beside its target and put in place only by Commit: a
// failed write never leaves a partial file under the target's name, nor touches the file it
// would replace, and the temporary file goes with the owner on every other path.
#pragma once

#include <string>

#include "platform/handles.h"

class ReplacementFile {
public:
    // Creates target + ".partial"; check with operator bool.
    explicit ReplacementFile(const std::string& target);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    explicit operator bool() const { return static_cast<bool>(file_); }
    HANDLE Handle() const { return file_; }
    // Closes the file and moves it over the target; false, with GetLastError's code kept and the
    // temporary file removed, when that fails.
    bool Commit();

private:
    std::string target_;
    std::string temporary_;
    FileHandle file_;
    bool committed_ = false;
};
