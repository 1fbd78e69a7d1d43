// TaskJson: task records as JSON text, for the command-line tool and for tests.
//
// Stateless functions, thread-safe.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/host/taskdb/TaskInfo.hpp"

namespace TaskDB {

// One record as a JSON object whose members are the TaskInfo fields (same names).
// The JSON texts the record holds (result, errorText, notifications) stay strings, so
// the output is valid whatever a writer stored.
std::string ToJson(const TaskInfo& task);

// Records as one JSON object keyed by task id.
std::string ToJson(const std::map<std::string, TaskInfo>& tasks);

// True when `text` is one complete JSON value.
bool IsJson(std::string_view text);

}  // namespace TaskDB
