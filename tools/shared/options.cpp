#include "tools/shared/options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

Options::Options(int argc, char** argv, const std::vector<std::string>& flags)
{
    for (int i = 0; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.rfind("--", 0) != 0 || word.size() == 2) {
            positional_.push_back(word);
            continue;
        }
        const std::string name = word.substr(2);
        if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
            values_[name] = "";
            continue;
        }
        if (i + 1 >= argc)
            throw UsageError("option " + word + " needs a value");
        values_[name] = argv[++i];
    }
}

const std::string* Options::Find(const std::string& name) const
{
    auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
}

std::string Options::Text(const std::string& name, const std::string& fallback) const
{
    const std::string* text = Find(name);
    return text ? *text : fallback;
}

double Options::Number(const std::string& name, double fallback) const
{
    const std::string* text = Find(name);
    if (!text)
        return fallback;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text->c_str(), &end);
    if (text->empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value))
        throw UsageError("--" + name + " takes a number, not '" + *text + "'");
    return value;
}

uint32_t Options::Unsigned(const std::string& name, uint32_t fallback) const
{
    const std::string* text = Find(name);
    if (!text)
        return fallback;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text->c_str(), &end, 10);
    if (text->empty() || (*text)[0] == '-' || *end != '\0' || errno == ERANGE || value > 0xFFFFFFFFULL)
        throw UsageError("--" + name + " takes a whole number from 0 to 4294967295, not '" + *text + "'");
    return static_cast<uint32_t>(value);
}

void Options::Allow(const std::vector<std::string>& known) const
{
    for (const auto& entry : values_)
        if (std::find(known.begin(), known.end(), entry.first) == known.end())
            throw UsageError("unknown option --" + entry.first);
}
