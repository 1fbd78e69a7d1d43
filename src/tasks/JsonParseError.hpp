// LifeCycle::JsonParseError: a JSON document that the daemon reads cannot be parsed.
//
// A plain exception value; thread-safe as any const value.
#pragma once

#include <stdexcept>
#include <string>

namespace LifeCycle {

class JsonParseError : public std::runtime_error {
public:
    // `what` says which document and why.
    explicit JsonParseError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace LifeCycle
