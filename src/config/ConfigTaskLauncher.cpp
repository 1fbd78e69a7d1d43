#include "config/ConfigTaskLauncher.hpp"

#include "tasks/TaskPaths.hpp"

namespace LifeCycle {

Lumo::Data::ErrorValuePtr ConfigTaskLauncher::TaskNotMade(const std::string& taskId,
                                                          const std::exception& failure)
{
    CSLogger::Log(0, "[%s]: Failed to create task %s: %s", "InitTask", taskId.c_str(), failure.what());
    RemoveFiles({kTaskTrackingFile});
    return ConfigManagerTaskImpl::MakeError(Com::Orvane::Lumo::Std::Errors::InternalServerError,
                                            "com.orvane.tarn.task.create.error");
}

}  // namespace LifeCycle
