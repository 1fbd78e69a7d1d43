// LifeCycle::TaskStoreRecovery: what the daemon does with the task store when it starts after
// an earlier run ended: checks the file's integrity, and ends the tasks that earlier run carried
// out in its own process (configuration tasks), which died with it and would otherwise show as
// running forever. Tasks of launched tools are left alone: their tools may still be at work.
//
// Static only; called once at start-up, before any task runs.
#pragma once

#include "tasks/TaskDB.hpp"

namespace LifeCycle {

class TaskStoreRecovery {
public:
    static constexpr const char* kRestartedErrorId = "com.orvane.tarn.task.daemon.restarted";

    // Logs the integrity check of `db`'s store and marks the daemon's unfinished tasks failed
    // with kRestartedErrorId. Failures are logged; start-up goes on.
    static void Recover(TaskDB& db);
};

}  // namespace LifeCycle
