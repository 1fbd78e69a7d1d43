// LifeCycle::TaskInfoError: a task record that cannot be turned into what a client is told
// about the task (unknown status, missing times, an unreadable result).
//
// A plain exception value; thread-safe as any const value.
#pragma once

#include <stdexcept>
#include <string>

namespace LifeCycle {

class TaskInfoError : public std::runtime_error {
public:
    // `what` names the task and what is wrong with its record.
    explicit TaskInfoError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace LifeCycle
