// Wildcards in file names, expanded by the program itself since Windows shells leave them.
#pragma once

#include <string>
#include <vector>

// The files a name matches in name order: itself when it has no * or ?; throws UsageError
// when a pattern matches nothing.
std::vector<std::string> ExpandFileName(const std::string& name);
// The part after the last / or \.
std::string BaseName(const std::string& path);
