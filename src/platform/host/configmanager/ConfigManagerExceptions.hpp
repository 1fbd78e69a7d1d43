// The configuration manager's own failures besides TarnConfigStore::ConfigStoreException: a
// caller's input it cannot accept, and host states that forbid a change. The task that made
// the call turns each into the error value a client sees.
//
// Plain exception types; thread-safe as any const value.
#pragma once

#include <stdexcept>

namespace TarnConfigManager {

// A component, group or key the host's schemas do not have, or input that cannot be used.
class InvalidArgumentException : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// The change needs maintenance mode and the host is not in it.
class HostNotInMM : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Single keys may not be changed in the host's current state.
class HostNotInNBM : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The assessment an apply was to carry out no longer matches the host's configuration.
class InvalidImpact : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace TarnConfigManager
