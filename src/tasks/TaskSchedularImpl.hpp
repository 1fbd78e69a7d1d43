// LifeCycle::TaskSchedularImpl: the task scheduler: one scheduler thread that dispatches and
// reaps, one worker thread per task, one task held at a time.
//
// The process's instance is GetInstance(); tests make their own. An instance must outlive
// its worker threads: the destructor stops the scheduler and waits for a worker that a
// stop left behind. Every public method is thread-safe.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tasks/TaskSchedular.hpp"

namespace LifeCycle {

class TaskSchedularImpl : public TaskSchedular {
public:
    enum State : int {
        kUninitialized = 0,  // scheduler thread not yet running
        kIdle = 1,           // no task; the only state that accepts one
        kQueued = 2,         // a task waits for dispatch
        kRunning = 3,        // a worker runs the task
        kCompleted = 4,      // the worker is done; waiting to be reaped
    };

    // How long Stop waits for a running task to end after asking it to abort.
    static constexpr std::chrono::nanoseconds kAbortWait{5'000'000'000};

    TaskSchedularImpl() = default;
    ~TaskSchedularImpl() override;
    TaskSchedularImpl(const TaskSchedularImpl&) = delete;
    TaskSchedularImpl& operator=(const TaskSchedularImpl&) = delete;

    int Start() override;
    void Stop() override;
    int Submit(std::shared_ptr<Task> task) override;
    int Abort(const std::string& taskId) override;

    // The current state (for diagnostics and tests).
    State GetState() const;

private:
    void SchedulerMain();
    void Dispatch();  // requires mutex_
    void Reap();      // requires mutex_
    void AbortRunningTask(std::unique_lock<std::mutex>& lock);
    void WorkerMain(const std::shared_ptr<Task>& task);
    // Ends the task when a stop is under way; true when it did.
    bool StopRequested(Task& task);
    void SetCompleted();

    // Guarded by lifecycleMutex_: Start and Stop may come from different threads.
    std::mutex lifecycleMutex_;
    std::once_flag startOnce_;
    std::thread schedulerThread_;

    mutable std::mutex mutex_;
    std::condition_variable cond_;
    // Guarded by mutex_.
    std::shared_ptr<Task> task_;
    std::thread worker_;
    State state_ = kUninitialized;
    bool stopped_ = false;
};

}  // namespace LifeCycle
