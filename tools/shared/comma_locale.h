// The C locale as a host may have set it, for a scope: what was set before comes back when the
// scope ends, whatever ends it.
#pragma once

#include <clocale>
#include <cstring>
#include <string>

// The first comma-decimal locale the C runtime knows, by the names Windows runtimes use.
class CommaLocale {
public:
    CommaLocale() : saved_(setlocale(LC_ALL, nullptr))
    {
        for (const char* name : {"German", "German_Germany.1252", "French", "deu"})
            if (setlocale(LC_ALL, name) && Active()) {
                name_ = name;
                return;
            }
    }
    ~CommaLocale() { setlocale(LC_ALL, saved_.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    static bool Active() { return std::strcmp(localeconv()->decimal_point, ",") == 0; }
    const std::string& Name() const { return name_; }

private:
    std::string saved_;
    std::string name_;
};
