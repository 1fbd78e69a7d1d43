#include "software/SoftwareService.hpp"

#include "platform/host/CSLogger.hpp"
#include "platform/host/FeatureState.hpp"
#include "software/DepotArguments.hpp"
#include "software/ImageManager.hpp"
#include "software/SpecFile.hpp"
#include "util/FileHelpers.hpp"
#include "util/NativeJson.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::SoftwareSvc {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
using LifeCycle::ImageManager;

constexpr const char* kScanSpecPath = "/var/run/lifecycle.scan.swspec";
constexpr const char* kSpecWriteErrorId = "com.orvane.tarn.softwarespec.write.error";
constexpr size_t kQuickPatchLive = 43;
constexpr size_t kQuickPatchStage = 44;

}  // namespace

bool AsyncServiceImpl::QuickPatchApplies(const std::optional<bool>& requested)
{
    return FeatureList::IsEnabled(kQuickPatchLive) && FeatureList::IsEnabled(kQuickPatchStage) &&
           requested.value_or(false);
}

void AsyncServiceImpl::LaunchWithSpecFile(const char* verb, const SoftwareSpec& spec,
                                          const std::vector<std::string>& depots, bool quickPatch,
                                          const ::Lumo::Core::AsyncResult<std::string>& result)
{
    const auto newTaskId = ImageManager::NewTaskId(true, result);
    if (!newTaskId) {
        return;
    }
    const std::string& taskId = *newTaskId;
    ::Lumo::Data::ErrorValuePtr error;
    std::string command = std::string(ImageManager::kTask) + " software " + verb + " --task-id " + taskId;
    if (!LifeCycle::DepotArguments::Append(depots, command, error)) {
        return result.Fail(error);
    }
    const std::string specPath = LifeCycle::SpecFile::PathFor(taskId);
    if (!LifeCycle::SpecFile::Write(spec, specPath)) {
        return result.Fail(LifeCycle::ServiceErrors::Make(Errors::InternalServerError, kSpecWriteErrorId));
    }
    command += " --software-spec " + specPath;
    if (quickPatch) {
        command += " --quick-patch";
    }
    if (auto launchError = ImageManager::Launch(command, taskId, true)) {
        LifeCycle::RemoveFiles({specPath});
        return result.Fail(launchError);
    }
    result.Succeed(taskId);
}

void AsyncServiceImpl::Apply(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/, SoftwareSpec spec,
                             std::vector<std::string> depots, std::optional<bool> quick_patch,
                             ::Lumo::Core::AsyncResult<std::string> result)
{
    LaunchWithSpecFile("--apply", spec, depots, QuickPatchApplies(quick_patch), result);
}

void AsyncServiceImpl::Stage(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/, SoftwareSpec spec,
                             std::vector<std::string> depots, std::optional<bool> /*quick_patch*/,
                             ::Lumo::Core::AsyncResult<std::string> result)
{
    LaunchWithSpecFile("--stage", spec, depots, false, result);
}

void AsyncServiceImpl::Scan(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/, SoftwareSpec spec,
                            std::vector<std::string> depots, std::optional<bool> quick_patch,
                            ::Lumo::Core::AsyncResult<std::string> result)
{
    const auto newTaskId = ImageManager::NewTaskId(true, result);
    if (!newTaskId) {
        return;
    }
    const std::string& taskId = *newTaskId;
    ::Lumo::Data::ErrorValuePtr error;
    // Every scan rewrites the one scan document; it stays after the scan for the tool.
    try {
        LifeCycle::WriteToFile(kScanSpecPath, LifeCycle::NativeJson::Encode(spec));
    } catch (const std::exception&) {
        CSLogger::Log(0, "[%s]: Failed to write software spec to file.", "Scan");
        return result.Fail(LifeCycle::ServiceErrors::Make(Errors::InternalServerError, kSpecWriteErrorId));
    }
    std::string command =
        std::string(ImageManager::kTask) + " software --scan --software-spec " + kScanSpecPath;
    if (!LifeCycle::DepotArguments::Append(depots, command, error)) {
        return result.Fail(error);
    }
    command += " --task-id " + taskId;
    if (QuickPatchApplies(quick_patch)) {
        command += " --quick-patch";
    }
    if (auto launchError = ImageManager::Launch(command, taskId, true)) {
        return result.Fail(launchError);
    }
    result.Succeed(taskId);
}

}  // namespace Com::Orvane::Tarn::HostprefDaemon::SoftwareSvc
