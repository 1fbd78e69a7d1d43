#include "software/InstalledImageService.hpp"

#include <cstring>

#include "platform/host/CSLogger.hpp"
#include "software/ImageManager.hpp"
#include "util/NativeJson.hpp"

namespace Com::Orvane::Tarn::Software::InstalledImageSvc {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
using LifeCycle::ImageManager;

// The tool's own exit code for an image it could not read.
constexpr int kImageInfoFailed = 145;

}  // namespace

void AsyncServiceImpl::Get(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                           ::Lumo::Core::AsyncResult<Info> result)
{
    CSLogger::Log(2, "Calling function: %s", "Get");
    std::string output;
    const auto run = LifeCycle::RunCommand(std::string(ImageManager::kQuery) + "software --getsoftwareinfo",
                                           nullptr, &output);
    if (run.kind != LifeCycle::CommandResult::Ok) {
        CSLogger::Log(0, "RunCommand failed with error code [%d / %s]", run.kind, std::strerror(run.code));
        const std::string reason = run.code == kImageInfoFailed
                                       ? "An error occurred while extracting image info on the host."
                                       : std::strerror(run.code);
        return result.Fail(
            LifeCycle::ServiceErrors::Make(Errors::Error, ImageManager::kCommandFailedId, {reason}));
    }
    CSLogger::Log(2, "Serialized string : %s", output.c_str());
    Info info;
    const auto logBadJson = [](const std::exception& error) {
        CSLogger::Log(0, "[%s]: Can't deserialize json. Exception : %s", "Get", error.what());
    };
    if (auto error = LifeCycle::NativeJson::Read(output, info, "Get", Errors::Error, logBadJson)) {
        return result.Fail(error);
    }
    result.Succeed(std::move(info));
}

void AsyncServiceImpl::ExtractDepot(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                                    DepotExtractInfo /*info*/, ::Lumo::Core::AsyncResult<std::string> result)
{
    CSLogger::Log(2, "Calling function: %s", "ExtractDepot");
    const auto taskId = ImageManager::NewTaskId(true, result);
    if (!taskId) {
        return;
    }
    const std::string command =
        std::string(ImageManager::kTask) + "depots --extract " + "--task-id " + *taskId;
    if (auto launchError = ImageManager::Launch(command, *taskId, true)) {
        return result.Fail(launchError);
    }
    result.Succeed(*taskId);
}

}  // namespace Com::Orvane::Tarn::Software::InstalledImageSvc
