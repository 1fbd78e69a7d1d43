// LifeCycle::ImageManager: what the software services share about the host's image manager
// tool: its command-line prefixes, how its failures become error values, and the launch of a
// tool-driven task.
//
// Static only; thread-safe.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/host/CSLogger.hpp"
#include "platform/lumo/AsyncResult.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "util/CommandRunner.hpp"
#include "util/NativeJson.hpp"
#include "util/ServiceErrors.hpp"

namespace LifeCycle {

class ImageManager {
public:
    // Queries and changes run through RunCommand in the daemon's own resource group.
    static constexpr const char* kQuery = "/usr/bin/python /usr/lib/orvane/lifecycle/bin/imagemanagerctl.py ";
    // Tasks are launched detached in the task group, with the group's memory limit.
    static constexpr const char* kTask =
        "/usr/bin/python ++group=hostprefd-task-forks,mem=groupMax,stats "
        "/usr/lib/orvane/lifecycle/bin/imagemanagerctl.py ";
    // Every task launch tries three times.
    static constexpr int kLaunchRetries = 2;

    static constexpr const char* kCommandFailedId = "com.orvane.tarn.host_settings.command.failed";
    static constexpr const char* kInvalidInputId = "com.orvane.tarn.lumo.invalidinput";

    // `kind` carrying the command-failed message with the C library's text for `code`: the
    // tool could not be started, or talking to it failed.
    static Lumo::Data::ErrorValuePtr NotRun(const ServiceErrors::Kind& kind, int code);
    // `kind` carrying the command-failed message with the exit code itself.
    static Lumo::Data::ErrorValuePtr Failed(const ServiceErrors::Kind& kind, int exitCode);
    // InvalidArgument carrying the invalid-input message.
    static Lumo::Data::ErrorValuePtr InvalidInput();

    // Gives the error of a reserved exit code, or null for a code without a fixed meaning.
    using ReservedExits = std::function<Lumo::Data::ErrorValuePtr(int exitCode)>;

    // The answer to a finished query or change: null when the tool exited with 0; the
    // command-failed InternalServerError with the C library's text when it could not be
    // started or fed; the reserved code's error; else the command-failed error with the code.
    static Lumo::Data::ErrorValuePtr Outcome(const CommandResult& result,
                                             const ReservedExits& reserved = nullptr);

    // A new task id, or nullopt after answering `result` with the failure (class by `internal`).
    static std::optional<std::string> NewTaskId(bool internal,
                                                const Lumo::Core::AsyncResult<std::string>& result);

    // Reads a report the tool printed into `native`: exactly "null" is NotFound without
    // messages (logged with the tag "Get"), anything else is read as Read does, failing with
    // InternalServerError. Null on success.
    template <class T>
    static Lumo::Data::ErrorValuePtr ReadReport(const std::string& output, T& native)
    {
        namespace Errors = Com::Orvane::Lumo::Std::Errors;
        if (output == "null") {
            CSLogger::Log(0, "[%s] Result is null ", "Get");
            return ServiceErrors::Bare(Errors::NotFound);
        }
        return NativeJson::Read(output, native, "Get", Errors::InternalServerError);
    }

    // Launches `command` for task `taskId` (RunTask with three tries); null once it started,
    // else the launch error (class by `internal`).
    static Lumo::Data::ErrorValuePtr Launch(const std::string& command, const std::string& taskId,
                                            bool internal);
};

}  // namespace LifeCycle
