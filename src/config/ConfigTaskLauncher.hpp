// LifeCycle::ConfigTaskLauncher: how a service call starts a configuration task: it claims the
// host for a new task id, makes the task over the call's audit context, hands it to the task
// scheduler and answers with the id at once.
//
// Static only; called on the endpoint thread.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "api/authz/AuditContext.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/lumo/AsyncActivation.hpp"
#include "platform/lumo/AsyncResult.hpp"
#include "tasks/ConfigManagerTaskImpl.hpp"
#include "tasks/TaskSchedular.hpp"
#include "util/FileHelpers.hpp"
#include "util/OperationLaunch.hpp"

namespace LifeCycle {

class ConfigTaskLauncher {
public:
    // Starts the task that `make(taskId, auditContext)` makes for operation `method`. When no
    // task id can be had, the call fails with InitTask's error, logged under `operation`
    // unless it is null.
    template <class Make>
    static void Launch(const Lumo::Core::AsyncActivation& activation, std::string_view method,
                       const char* operation, Make make, const Lumo::Core::AsyncResult<std::string>& result)
    {
        Lumo::Data::ErrorValuePtr error;
        const std::string taskId = InitTask(std::string(method), error, true);
        if (taskId.empty()) {
            if (operation != nullptr) CSLogger::Log(0, "[%s] Failed to get TaskId", operation);
            result.Fail(error);
            return;
        }
        std::shared_ptr<ConfigManagerTaskImpl> task;
        try {
            task = make(taskId, Api::AuditContext::Of(activation));
        } catch (const std::exception& failure) {
            result.Fail(TaskNotMade(taskId, failure));
            return;
        }
        // A refused submission drops the task, whose end releases the host again.
        TaskSchedular::GetInstance().Submit(task);
        result.Succeed(taskId);
    }

private:
    // Releases the claim of `taskId`, whose task could not be made, and says so.
    static Lumo::Data::ErrorValuePtr TaskNotMade(const std::string& taskId, const std::exception& failure);
};

}  // namespace LifeCycle
