// Host paths shared by the daemon's task code and the host tools it launches.
#pragma once

namespace LifeCycle {

// Base path of the task status store; the database file is this path plus ".db".
inline constexpr const char* kTaskStatusPath = "/var/orvane/lifecycle/task-status.json";

// While this file exists, a long operation holds the host.
inline constexpr const char* kTaskTrackingFile = "/var/orvane/lifecycle/lifecycle.task";

}  // namespace LifeCycle
