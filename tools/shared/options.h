// Command-line words after the command name: positional arguments and --name value options.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Options {
public:
    // flags names the options that take no value; every other --name takes the next word.
    Options(int argc, char** argv, const std::vector<std::string>& flags = {});

    const std::vector<std::string>& Positional() const { return positional_; }
    bool Has(const std::string& name) const { return values_.count(name) != 0; }
    std::string Text(const std::string& name, const std::string& fallback = "") const;
    double Number(const std::string& name, double fallback) const;
    uint32_t Unsigned(const std::string& name, uint32_t fallback) const;
    // Fails on any option not in known, so that a typing error is not silently ignored.
    void Allow(const std::vector<std::string>& known) const;

private:
    // The option's value; null when it was not given.
    const std::string* Find(const std::string& name) const;

    std::vector<std::string> positional_;
    std::map<std::string, std::string> values_;
};
