// TarnConfigManager::TaskHandle: how a long configuration-manager operation reports on the
// task that runs it: progress, whether it should stop, notifications, and sub-ranges for
// the steps it delegates.
//
// Implemented by the caller (the daemon's task handle); the library holds the handle as a
// shared pointer for the length of the call and may use it from several of its threads,
// so implementations must be thread-safe.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace TarnConfigManager {

class TaskHandle {
public:
    // A message of the library: its catalogue id and its English text with "{1}" ... placeholders.
    struct Message {
        std::string id;
        std::string text;
    };

    // A message with its arguments in one structure (the form error notices come in).
    struct MessageWithArgs {
        Message message;
        std::vector<std::string> args;
    };

    // Notices that the library leaves for the client on the task, in three kinds.
    class Notifications {
    public:
        virtual ~Notifications() = default;
        // Records an informational notice.
        virtual void Info(const Message& message, const std::vector<std::string>& args) = 0;
        // Records a warning.
        virtual void Warning(const Message& message, const std::vector<std::string>& args) = 0;
        // Records an error notice (the operation may still go on).
        virtual void Error(const MessageWithArgs& notice) = 0;
    };

    virtual ~TaskHandle() = default;

    // True once the task was asked to stop; the library polls it and stops cooperatively.
    virtual bool IsCancelled() const = 0;
    // Reports `percent` (0 to 100) of this handle's share of the work as done.
    virtual void UpdateProgress(float percent) = 0;
    // The notices of this task.
    virtual std::shared_ptr<Notifications> GetNotifications() = 0;
    // A handle over the next 1/`count` slice of this handle's range.
    virtual std::shared_ptr<TaskHandle> CreateSubTask(int count) = 0;
    // The id of the task this handle reports on.
    virtual std::string GetTaskId() const = 0;
};

}  // namespace TarnConfigManager
