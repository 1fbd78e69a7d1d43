// LifeCycle::LumoJsonSerializationError: a data value could not be turned into JSON text, or
// a tool's text could not be turned into a data value.
//
// Thrown by LumoJson; the text says what failed. A plain exception value.
#pragma once

#include <stdexcept>
#include <string>

namespace LifeCycle {

class LumoJsonSerializationError : public std::runtime_error {
public:
    explicit LumoJsonSerializationError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace LifeCycle
