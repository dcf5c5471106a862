#include "tools/effect-host/file_patterns.h"

#include <windows.h>

#include <algorithm>

#include "platform/handles.h"
#include "tools/shared/options.h"

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> ExpandFileName(const std::string& name)
{
    const size_t slash = name.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    if (name.find_first_of("*?", folder.size()) == std::string::npos)
        return {name};
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(name.c_str(), &found));
    if (search) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                files.push_back(folder + found.cFileName);
        } while (FindNextFileA(search, &found));
    }
    if (files.empty())
        throw UsageError("no file matches " + name);
    std::sort(files.begin(), files.end());
    return files;
}
