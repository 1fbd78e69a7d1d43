// LifeCycle::TaskHandleImpl: the task handle the daemon gives the configuration manager.
// Maps the library's 0-100 progress onto [start, end] of the task's own progress, answers
// its cancellation polls from the task's abort flag, and writes progress and notifications
// to the task store.
//
// Made by MakeTaskHandle and shared with the library; each handle keeps its task alive and
// has its own store access. Thread-safe: the library may call it from any of its threads.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/host/configmanager/TaskHandle.hpp"
#include "tasks/Task.hpp"
#include "tasks/TaskDB.hpp"
#include "tasks/TaskNotification.hpp"

namespace LifeCycle {

class TaskHandleImpl : public TarnConfigManager::TaskHandle,
                       public std::enable_shared_from_this<TaskHandleImpl> {
public:
    // A handle over [start, end] of `task`'s progress. Opens the task store (not created
    // here); throws ::TaskDB::TaskDBError when it cannot.
    static std::shared_ptr<TarnConfigManager::TaskHandle> MakeTaskHandle(std::shared_ptr<Task> task,
                                                                         int start, int end);

    // Use MakeTaskHandle; public for make_shared.
    TaskHandleImpl(std::shared_ptr<Task> task, int start, int end);

    bool IsCancelled() const override;
    // Writes start + percent% of the range, truncated toward zero and never clamped to the
    // range. A NaN percent writes nothing; a value beyond int saturates.
    void UpdateProgress(float percent) override;
    // The notifications object; it keeps this handle alive.
    std::shared_ptr<Notifications> GetNotifications() override;
    // The next 1/count of this handle's range (count 0: an empty range where the next begins).
    std::shared_ptr<TaskHandle> CreateSubTask(int count) override;
    std::string GetTaskId() const override;

    // The handle's range.
    int Start() const { return start_; }
    int End() const { return end_; }

    // Where UpdateProgress puts `percent` on [start, end]; nullopt for NaN.
    static std::optional<int> Scale(float percent, int start, int end);

private:
    class NotificationsImpl : public Notifications {
    public:
        explicit NotificationsImpl(TaskHandleImpl& handle) : handle_(handle) {}
        void Info(const Message& message, const std::vector<std::string>& args) override;
        void Warning(const Message& message, const std::vector<std::string>& args) override;
        void Error(const MessageWithArgs& notice) override;

    private:
        TaskHandleImpl& handle_;
    };

    // Renders the message and appends the notification to the task's record; a
    // notification that cannot be converted is logged and dropped.
    void Send(Com::Orvane::Tarn::HostprefDaemon::NotificationKind kind, const Message& message,
              const std::vector<std::string>& args);

    // Constant after construction.
    const std::shared_ptr<Task> taskOwner_;
    const std::string taskId_;
    const int start_;
    const int end_;
    TaskDB db_;
    NotificationsImpl notifications_{*this};

    // Where the next sub-handle's range begins.
    std::atomic<int> current_;
};

}  // namespace LifeCycle
