// LifeCycle::ConfigManagerTaskImpl: the common life of a configuration task: marking it
// started, recording its result or error in the task store when it ends, abort, completing
// the call's deferred audit record, and removing the task tracking file when it dies.
// Each task kind derives from it and implements Run.
//
// Always owned by shared pointers (the service, the scheduler, the task handles Run hands
// out). Run, SetError and PostRun run on the scheduler's worker thread; Abort,
// IsAbortRequested, MarkAborted, GetName and GetTaskId are safe from any thread.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/host/configmanager/ConfigStoreException.hpp"
#include "platform/host/configmanager/TaskHandle.hpp"
#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/StandardError.hpp"
#include "tasks/Task.hpp"
#include "tasks/TaskDB.hpp"

namespace Api {
class AuditContext;
}

namespace LifeCycle {

class ConfigManagerTaskImpl : public Task, public std::enable_shared_from_this<ConfigManagerTaskImpl> {
public:
    static constexpr const char* kUnhandledErrorId = "com.orvane.tarn.task.unhandled.error";
    static constexpr const char* kAbortedErrorId = "com.orvane.tarn.task.aborted";
    static constexpr const char* kResultErrorId =
        "com.orvane.tarn.hostpref_daemon.configuration.create.result.error";

    // A task named `name` (the operation's task method) for the created task `taskId`.
    // `auditContext` (may be null) is the starting call's: its record is deferred until
    // PostRun completes it. Opens the task store; throws ::TaskDB::TaskDBError.
    ConfigManagerTaskImpl(std::string name, std::string taskId,
                          std::shared_ptr<Api::AuditContext> auditContext);
    // Removes the task tracking file.
    ~ConfigManagerTaskImpl() override;
    ConfigManagerTaskImpl(const ConfigManagerTaskImpl&) = delete;
    ConfigManagerTaskImpl& operator=(const ConfigManagerTaskImpl&) = delete;

    // Marks the task "RUNNING" at 5 percent.
    void PreRun() override;
    // Records an unhandled failure carrying `error`'s text.
    void SetError(const std::exception& error) override;
    // Writes the result (SUCCEEDED) or the error (FAILED) and completes the audit record;
    // never throws.
    void PostRun() override;
    bool IsAbortRequested() const override;
    void Abort() override;
    // Writes FAILED with the aborted error, leaving the recorded error as it is; never throws.
    void MarkAborted() override;
    // name + ":" + task id.
    std::string GetName() const override;
    std::string GetTaskId() const override;

    // The recorded error and result (null when none).
    Lumo::Data::ErrorValuePtr GetError() const { return error_; }
    Lumo::Data::DataValuePtr GetResult() const { return result_; }

    // An error value of `kind` with one message `id` carrying `args`; its English text
    // comes from the message catalogues.
    static Lumo::Data::ErrorValuePtr MakeError(const Com::Orvane::Lumo::Std::Errors::StandardError& kind,
                                               const std::string& id, std::vector<std::string> args = {});
    // The error value of a configuration store failure (an internal server error).
    static Lumo::Data::ErrorValuePtr MakeError(const TarnConfigStore::ConfigStoreException& error);

    // `value` as the tagged JSON the task store keeps, or nullopt when a reader of the
    // store could not decode it back.
    static std::optional<std::string> Serialize(const Lumo::Data::DataValue& value);

protected:
    // For Run: the outcome, then read by PostRun.
    void SetResult(Lumo::Data::DataValuePtr result) { result_ = std::move(result); }
    void SetErrorValue(Lumo::Data::ErrorValuePtr error) { error_ = std::move(error); }

    // For Run: writes a progress checkpoint.
    void SetProgress(int percent);
    // For Run: a handle over [start, end] of this task's progress for one library call.
    std::shared_ptr<TarnConfigManager::TaskHandle> MakeTaskHandle(int start, int end);

private:
    void WriteSucceeded(const std::string& resultJson);
    void WriteFailed();
    void CompleteAudit(bool success);
    void RemoveTrackingFile() const;

    // Constant after construction.
    const std::string name_;
    const std::string taskId_;
    const std::shared_ptr<Api::AuditContext> auditContext_;
    TaskDB db_;

    std::atomic<bool> abortRequested_{false};

    // Used by the worker thread only (Run, SetError, PostRun).
    Lumo::Data::ErrorValuePtr error_;
    Lumo::Data::DataValuePtr result_;
};

}  // namespace LifeCycle
