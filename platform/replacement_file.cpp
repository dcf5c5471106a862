#include "platform/replacement_file.h"

ReplacementFile::ReplacementFile(const std::string& target)
    : target_(target),
      temporary_(target + ".partial"),
      file_(CreateFileA(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))
{
}

ReplacementFile::~ReplacementFile()
{
    if (committed_ || !file_)
        return;
    file_.Reset();
    DeleteFileA(temporary_.c_str());
}

bool ReplacementFile::Commit()
{
    file_.Reset();
    committed_ = MoveFileExA(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (!committed_) {
        const DWORD error = GetLastError();
        DeleteFileA(temporary_.c_str());
        SetLastError(error);
    }
    return committed_;
}
