// LifeCycle::Task: one long operation as the task scheduler drives it.
//
// Owned by shared pointers (the service that made it, the scheduler, and whatever the
// task hands itself to while it runs). PreRun, Run, SetError and PostRun are called on
// the scheduler's worker thread; Abort, MarkAborted, GetName and GetTaskId may be called
// from any thread, with the scheduler's lock held, and must not call back into it.
#pragma once

#include <exception>
#include <string>

namespace LifeCycle {

class Task {
public:
    // Prepares the run (marks the task started); first call on the worker thread.
    virtual void PreRun() = 0;
    // Does the work. An exception is handed to SetError.
    virtual void Run() = 0;
    // Records that Run (or PreRun) failed with `error`.
    virtual void SetError(const std::exception& error) = 0;
    // Records the outcome of the run.
    virtual void PostRun() = 0;
    // True once Abort was called.
    virtual bool IsAbortRequested() const = 0;
    // Asks the task to stop soon; returns at once.
    virtual void Abort() = 0;
    // Records the task as ended by an abort, whatever it did so far.
    virtual void MarkAborted() = 0;
    // The name shown in log lines.
    virtual std::string GetName() const = 0;
    // The task identifier.
    virtual std::string GetTaskId() const = 0;

    virtual ~Task() = default;
};

}  // namespace LifeCycle
