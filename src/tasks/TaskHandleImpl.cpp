#include "tasks/TaskHandleImpl.hpp"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "translator/Translator.hpp"
#include "platform/host/CSLogger.hpp"
#include "tasks/TaskPaths.hpp"

namespace LifeCycle {

std::shared_ptr<TarnConfigManager::TaskHandle> TaskHandleImpl::MakeTaskHandle(std::shared_ptr<Task> task,
                                                                              int start, int end)
{
    CSLogger::Log(2, "TaskHandleImpl[%s]: Initial values -- start=%d, end=%d", task->GetTaskId().c_str(),
                  start, end);
    return std::make_shared<TaskHandleImpl>(std::move(task), start, end);
}

TaskHandleImpl::TaskHandleImpl(std::shared_ptr<Task> task, int start, int end)
    : taskOwner_(std::move(task)),
      taskId_(taskOwner_->GetTaskId()),
      start_(start),
      end_(end),
      db_(kTaskStatusPath, false),
      current_(start)
{
}

bool TaskHandleImpl::IsCancelled() const { return taskOwner_->IsAbortRequested(); }

std::optional<int> TaskHandleImpl::Scale(float percent, int start, int end)
{
    if (std::isnan(percent)) {
        return std::nullopt;
    }
    // Single precision throughout, the fraction times the span added to the start in one
    // rounding step.
    const float fraction = percent / 100.0f;
    const float value = std::fma(fraction, static_cast<float>(end - start), static_cast<float>(start));
    // Converting a float outside int's range is undefined; such values saturate instead.
    if (value >= static_cast<float>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (value <= static_cast<float>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

void TaskHandleImpl::UpdateProgress(float percent)
{
    const std::optional<int> value = Scale(percent, start_, end_);
    if (!value) {
        return;
    }
    CSLogger::Log(2, "TaskHandleImpl[%s]: Updating progress to %d", taskId_.c_str(), *value);
    db_.Manager()->SetProgress(taskId_, *value, "");
}

std::shared_ptr<TarnConfigManager::TaskHandle::Notifications> TaskHandleImpl::GetNotifications()
{
    // Shares ownership of this handle, so the back reference of the notifications object
    // is valid for as long as anybody holds it.
    return std::shared_ptr<Notifications>(shared_from_this(), &notifications_);
}

std::shared_ptr<TarnConfigManager::TaskHandle> TaskHandleImpl::CreateSubTask(int count)
{
    const int step = count == 0 ? 0 : (end_ - start_) / count;
    // One atomic step, so concurrent callers still get consecutive, disjoint slices.
    const int childStart = current_.fetch_add(step);
    return std::make_shared<TaskHandleImpl>(taskOwner_, childStart, childStart + step);
}

std::string TaskHandleImpl::GetTaskId() const { return taskId_; }

void TaskHandleImpl::Send(Com::Orvane::Tarn::HostprefDaemon::NotificationKind kind, const Message& message,
                          const std::vector<std::string>& args)
{
    std::string json;
    try {
        const auto text = Com::Orvane::Lumo::Std::LocalizableMessage::Render(
            Lumo::BaseMessage(message.id, message.text, args), Translator::MakeRequestLocalizer());
        json = TaskNotification::Encode({kind, message.id, text, Lumo::DateTime::GetUtcDateTime()});
    } catch (const std::exception& error) {
        CSLogger::Log(0, "[%s] Could not adapt to native types : %s", "Send", error.what());
        return;
    }
    db_.Manager()->AddNotification(taskId_, json);
}

void TaskHandleImpl::NotificationsImpl::Info(const Message& message, const std::vector<std::string>& args)
{
    handle_.Send(Com::Orvane::Tarn::HostprefDaemon::NotificationKind::INFO, message, args);
}

void TaskHandleImpl::NotificationsImpl::Warning(const Message& message, const std::vector<std::string>& args)
{
    handle_.Send(Com::Orvane::Tarn::HostprefDaemon::NotificationKind::WARNING, message, args);
}

void TaskHandleImpl::NotificationsImpl::Error(const MessageWithArgs& notice)
{
    handle_.Send(Com::Orvane::Tarn::HostprefDaemon::NotificationKind::ERROR, notice.message, notice.args);
}

}  // namespace LifeCycle
