// TaskFollower: follows one task through the tasks service until it succeeds or fails,
// showing each state it reads on a ProgressDisplay.
//
// Used by one run on its own thread; not thread-safe.
#pragma once

#include <chrono>
#include <functional>

#include "client/ProgressDisplay.hpp"
#include "client/RpcClient.hpp"

namespace HostprefCtl {

class TaskFollower {
public:
    // `get` asks the tasks service for the task once (direct form).
    using GetTask = std::function<RpcAnswer()>;

    TaskFollower(GetTask get, ProgressDisplay& display, std::chrono::milliseconds interval)
        : get_(std::move(get)), display_(display), interval_(interval)
    {
    }

    // Polls until the task has ended and returns the last answer: the final task info,
    // or the error that the tasks service answered (an unknown task, say). Ctrl-C ends
    // the line of the display before the process ends.
    RpcAnswer Follow();

private:
    GetTask get_;
    ProgressDisplay& display_;
    const std::chrono::milliseconds interval_;
};

}  // namespace HostprefCtl
