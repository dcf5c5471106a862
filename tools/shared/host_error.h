// What the tools report when the plug-in or the system cannot do what a host needs of it.
#pragma once

#include <stdexcept>

struct HostError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
