#include "tasks/TaskSchedularImpl.hpp"

#include <stdexcept>
#include <system_error>

#include "platform/host/CSLogger.hpp"

namespace LifeCycle {

TaskSchedularImpl::~TaskSchedularImpl()
{
    Stop();
    // A worker that did not answer the stop in time still refers to this object.
    std::thread worker;
    {
        std::lock_guard lock(mutex_);
        worker = std::move(worker_);
    }
    if (worker.joinable()) {
        worker.join();
    }
}

int TaskSchedularImpl::Start()
{
    std::lock_guard lifecycle(lifecycleMutex_);
    std::call_once(startOnce_, [this] {
        try {
            schedulerThread_ = std::thread([this] { SchedulerMain(); });
        } catch (const std::system_error&) {
            // Reported below; the scheduler then refuses nothing but runs nothing either.
        }
    });
    if (!schedulerThread_.joinable()) {
        CSLogger::Log(0, "TaskSchedular failed to initialize.");
        return 1;
    }
    // Until the thread has run, the scheduler would refuse a task; a caller that submits
    // right after Start must find it accepting.
    std::unique_lock lock(mutex_);
    cond_.wait(lock, [this] { return state_ != kUninitialized; });
    return 0;
}

void TaskSchedularImpl::Stop()
{
    CSLogger::Log(2, "TaskSchedular abort requested.");
    std::lock_guard lifecycle(lifecycleMutex_);
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    cond_.notify_all();
    if (schedulerThread_.joinable()) {
        schedulerThread_.join();
    }
}

int TaskSchedularImpl::Submit(std::shared_ptr<Task> task)
{
    CSLogger::Log(2, "TaskSchedular received new task: %s", task->GetName().c_str());
    std::unique_lock lock(mutex_);
    if (state_ != kIdle || stopped_) {
        CSLogger::Log(0, "TaskSchedular in state=%d, stopped=%d, doesn't accept requests",
                      static_cast<int>(state_), stopped_ ? 1 : 0);
        return 2;
    }
    task_ = std::move(task);
    state_ = kQueued;
    lock.unlock();
    cond_.notify_all();
    return 0;
}

int TaskSchedularImpl::Abort(const std::string& taskId)
{
    std::lock_guard lock(mutex_);
    if (task_ != nullptr && task_->GetTaskId() == taskId) {
        CSLogger::Log(2, "TaskSchedular aborting task: %s", taskId.c_str());
        task_->Abort();
        return 1;
    }
    CSLogger::Log(2, "TaskSchedular not aborting task that is not running: %s", taskId.c_str());
    return 0;
}

TaskSchedularImpl::State TaskSchedularImpl::GetState() const
{
    std::lock_guard lock(mutex_);
    return state_;
}

void TaskSchedularImpl::SchedulerMain()
{
    std::unique_lock lock(mutex_);
    state_ = kIdle;
    CSLogger::Log(2, "TaskSchedular started.");
    cond_.notify_all();
    for (;;) {
        cond_.wait(lock, [this] { return state_ == kQueued || state_ == kCompleted || stopped_; });
        if (state_ == kCompleted) {
            Reap();
        }
        if (stopped_) {
            break;
        }
        if (state_ == kQueued) {
            Dispatch();
        }
    }
    CSLogger::Log(2, "TaskSchedular stopped.");
    if (state_ == kQueued) {
        CSLogger::Log(2, "Skip task=%s in state=%d", task_->GetName().c_str(), static_cast<int>(state_));
        task_->MarkAborted();
    } else if (state_ == kRunning) {
        AbortRunningTask(lock);
    }
}

void TaskSchedularImpl::Dispatch()
{
    worker_ = std::thread([this, task = task_] { WorkerMain(task); });
    state_ = kRunning;
    CSLogger::Log(2, "Task dispatched: %s", task_->GetName().c_str());
    cond_.notify_all();
}

void TaskSchedularImpl::Reap()
{
    // The worker has nothing left to do after it set kCompleted, so the join is short.
    if (worker_.joinable()) {
        worker_.join();
    }
    CSLogger::Log(2, "Task completed: %s", task_->GetName().c_str());
    task_.reset();
    state_ = kIdle;
    cond_.notify_all();
}

void TaskSchedularImpl::AbortRunningTask(std::unique_lock<std::mutex>& lock)
{
    CSLogger::Log(2, "Abort task requested: %s", task_->GetName().c_str());
    task_->Abort();
    // Let the worker reach its stop check before the wait begins.
    lock.unlock();
    lock.lock();
    const auto deadline = std::chrono::steady_clock::now() + kAbortWait;
    if (cond_.wait_until(lock, deadline, [this] { return state_ == kCompleted; })) {
        Reap();
        return;
    }
    // The worker is left to end with the process; it still holds its own reference.
    CSLogger::Log(0, "Task did not respond to abort request: %s", task_->GetName().c_str());
    task_->MarkAborted();
    CSLogger::Log(0, "Task aborted: %s", task_->GetName().c_str());
}

void TaskSchedularImpl::WorkerMain(const std::shared_ptr<Task>& task)
{
    try {
        task->PreRun();
        if (StopRequested(*task)) {
            CSLogger::Log(0, "Worker aborting task before Run(): %s", task->GetName().c_str());
            return;
        }
        task->Run();
    } catch (const std::exception& error) {
        CSLogger::Log(0, "Task: %s failed to run: %s", task->GetName().c_str(), error.what());
        task->SetError(error);
    } catch (...) {
        // Anything escaping a worker thread would end the daemon.
        const std::runtime_error error("exception of unknown type");
        CSLogger::Log(0, "Task: %s failed to run: %s", task->GetName().c_str(), error.what());
        task->SetError(error);
    }
    if (StopRequested(*task)) {
        CSLogger::Log(0, "Worker aborting task after Run(): %s", task->GetName().c_str());
        return;
    }
    try {
        task->PostRun();
    } catch (const std::exception& error) {
        CSLogger::Log(0, "PostRun script failed to run: %s", error.what());
    } catch (...) {
        CSLogger::Log(0, "PostRun script failed to run: %s", "exception of unknown type");
    }
    SetCompleted();
}

bool TaskSchedularImpl::StopRequested(Task& task)
{
    std::unique_lock lock(mutex_);
    if (!stopped_) {
        return false;
    }
    task.MarkAborted();
    state_ = kCompleted;
    lock.unlock();
    cond_.notify_all();
    return true;
}

void TaskSchedularImpl::SetCompleted()
{
    {
        std::lock_guard lock(mutex_);
        state_ = kCompleted;
    }
    cond_.notify_all();
}

}  // namespace LifeCycle
