#include "software/ImageManager.hpp"

#include <cstring>

#include "util/OperationLaunch.hpp"

namespace LifeCycle {

Lumo::Data::ErrorValuePtr ImageManager::NotRun(const ServiceErrors::Kind& kind, int code)
{
    return ServiceErrors::Make(kind, kCommandFailedId, {std::strerror(code)});
}

Lumo::Data::ErrorValuePtr ImageManager::Failed(const ServiceErrors::Kind& kind, int exitCode)
{
    return ServiceErrors::Make(kind, kCommandFailedId, {std::to_string(exitCode)});
}

Lumo::Data::ErrorValuePtr ImageManager::InvalidInput()
{
    return ServiceErrors::Make(Com::Orvane::Lumo::Std::Errors::InvalidArgument, kInvalidInputId);
}

Lumo::Data::ErrorValuePtr ImageManager::Outcome(const CommandResult& result, const ReservedExits& reserved)
{
    namespace Errors = Com::Orvane::Lumo::Std::Errors;
    if (result.kind == CommandResult::Ok) {
        return nullptr;
    }
    if (result.kind == CommandResult::SpawnFailed || result.kind == CommandResult::PipeWriteFailed) {
        return NotRun(Errors::InternalServerError, result.code);
    }
    if (reserved) {
        if (auto error = reserved(result.code)) {
            return error;
        }
    }
    return Failed(Errors::InternalServerError, result.code);
}

std::optional<std::string> ImageManager::NewTaskId(bool internal,
                                                   const Lumo::Core::AsyncResult<std::string>& result)
{
    Lumo::Data::ErrorValuePtr error;
    std::string taskId = GetTaskId(error, internal);
    if (taskId.empty()) {
        result.Fail(error);
        return std::nullopt;
    }
    return taskId;
}

Lumo::Data::ErrorValuePtr ImageManager::Launch(const std::string& command, const std::string& taskId,
                                               bool internal)
{
    Lumo::Data::ErrorValuePtr error;
    RunTask(command, taskId, error, internal, kLaunchRetries);
    return error;
}

}  // namespace LifeCycle
