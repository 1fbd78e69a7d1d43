// LifeCycle::TaskFileNotFoundError: the task status store is not there to be read.
//
// A plain exception value; thread-safe as any const value.
#pragma once

#include <stdexcept>
#include <string>

namespace LifeCycle {

class TaskFileNotFoundError : public std::runtime_error {
public:
    // `what` names the missing file.
    explicit TaskFileNotFoundError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace LifeCycle
