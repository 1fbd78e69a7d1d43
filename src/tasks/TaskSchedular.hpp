// LifeCycle::TaskSchedular: runs long operations one at a time, each on a thread of its
// own, and refuses new ones while one is queued or running.
//
// One process-wide instance (GetInstance), never destroyed; started with the HTTP endpoint
// and stopped with it. Every method is thread-safe.
#pragma once

#include <memory>
#include <string>

#include "tasks/Task.hpp"

namespace LifeCycle {

class TaskSchedular {
public:
    // The process's scheduler, created on first use.
    static TaskSchedular& GetInstance();

    // Starts the scheduler thread once; 0 when it runs, 1 when it could not be started.
    virtual int Start() = 0;
    // Stops for good: a queued task is marked aborted, a running one is asked to abort and
    // waited for up to 5 seconds. Returns when the scheduler thread has ended.
    virtual void Stop() = 0;
    // Queues `task`: 0 when accepted, 2 when a task is already held or the scheduler stopped.
    virtual int Submit(std::shared_ptr<Task> task) = 0;
    // Asks the held task to abort when its id is `taskId`: 1 when asked, 0 otherwise.
    virtual int Abort(const std::string& taskId) = 0;

    virtual ~TaskSchedular() = default;
};

}  // namespace LifeCycle
