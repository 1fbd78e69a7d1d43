// TaskView: how hostprefctl shows tasks — a summary of one task, a table of many, and the
// state that a progress display follows. Works on the direct JSON form of
// "com.orvane.hub.task.info". Stateless.
#pragma once

#include <rapidjson/document.h>

#include <ostream>
#include <string>

namespace HostprefCtl {

// Where a task stands, as a progress display shows it.
struct TaskState {
    std::string status;   // "PENDING", "RUNNING", "SUCCEEDED", "FAILED" ...
    int percent = 0;      // 0 to 100
    std::string message;  // what the task is doing

    bool Ended() const { return status == "SUCCEEDED" || status == "FAILED"; }
    bool operator==(const TaskState&) const = default;
};

class TaskView {
public:
    static constexpr const char* kInfoType = "com.orvane.hub.task.info";

    static TaskState State(const rapidjson::Value& info);
    // "Task", "Status", times, result, error and notifications, one label per line.
    static void PrintSummary(const rapidjson::Value& info, std::ostream& out);
    // One row per task of a map from id to info, oldest first.
    static void PrintTable(const rapidjson::Value& tasks, std::ostream& out);
    // The messages of a failed task's error, "text (message id)" each; "" when it has none.
    static std::string ErrorText(const rapidjson::Value& info);
};

}  // namespace HostprefCtl
