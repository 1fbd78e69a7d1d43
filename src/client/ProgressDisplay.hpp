// ProgressDisplay: shows a followed task's state. On a terminal it redraws one line in
// place — a bar, the percentage, the status and the task's progress message — and leaves
// the final state on it; elsewhere it prints a plain line whenever the state changes.
//
// Owned by the follower of one task; not thread-safe.
#pragma once

#include <ostream>
#include <optional>
#include <string>

#include "client/TaskView.hpp"

namespace HostprefCtl {

class ProgressDisplay {
public:
    // `width` is the terminal's width in columns, or 0 when `out` is no terminal.
    ProgressDisplay(std::ostream& out, std::string taskId, int width);
    // A display on standard error, as a terminal when standard error is one.
    static ProgressDisplay OnStderr(std::string taskId);

    void Show(const TaskState& state);
    // Shows the final state and ends the line.
    void Finish(const TaskState& state);

private:
    std::string BarLine(const TaskState& state) const;

    std::ostream& out_;
    const std::string taskId_;
    const int width_;
    std::optional<TaskState> shown_;
};

}  // namespace HostprefCtl
