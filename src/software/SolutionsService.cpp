#include "software/SolutionsService.hpp"

#include "platform/host/CSLogger.hpp"
#include "software/DepotArguments.hpp"
#include "software/ImageManager.hpp"
#include "software/SpecFile.hpp"
#include "util/FileHelpers.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::SolutionsSvc {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
using LifeCycle::ImageManager;

constexpr bool kSolutionsInternal = false;

}  // namespace

void AsyncServiceImpl::Apply(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                             std::map<std::string, SolutionSpec> solutions, std::set<std::string> depots,
                             ::Lumo::Core::AsyncResult<std::string> result)
{
    if (solutions.empty()) {
        return result.Fail(ImageManager::InvalidInput());
    }
    const auto newTaskId = ImageManager::NewTaskId(kSolutionsInternal, result);
    if (!newTaskId) {
        return;
    }
    const std::string& taskId = *newTaskId;
    ::Lumo::Data::ErrorValuePtr error;
    // The tool reads solutions from an image description of their own: an empty base image and
    // nothing else but the solutions.
    SoftwareSpec spec;
    spec.solutions = std::move(solutions);

    std::string command = std::string(ImageManager::kTask) + "solutions --apply --task-id " + taskId;
    if (!LifeCycle::DepotArguments::Append({depots.begin(), depots.end()}, command, error)) {
        return result.Fail(error);
    }
    const std::string specPath = LifeCycle::SpecFile::PathFor(taskId);
    if (!LifeCycle::SpecFile::Write(spec, specPath)) {
        return result.Fail(LifeCycle::ServiceErrors::Make(Errors::InternalServerError,
                                                          "com.orvane.tarn.softwarespec.write.error"));
    }
    command += " --software-spec " + specPath;
    if (auto launchError = ImageManager::Launch(command, taskId, kSolutionsInternal)) {
        LifeCycle::RemoveFiles({specPath});
        return result.Fail(launchError);
    }
    result.Succeed(taskId);
}

void AsyncServiceImpl::Stage(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                             std::map<std::string, SolutionSpec> /*solutions*/,
                             std::set<std::string> /*depots*/, ::Lumo::Core::AsyncResult<std::string> result)
{
    CSLogger::Log(0, "[%s]: This functionality is currently not supported", "Stage");
    result.Fail(LifeCycle::ServiceErrors::Bare(Errors::Unsupported));
}

void AsyncServiceImpl::Remove(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                              std::set<std::string> solutions, ::Lumo::Core::AsyncResult<std::string> result)
{
    if (solutions.empty()) {
        return result.Fail(ImageManager::InvalidInput());
    }
    const auto newTaskId = ImageManager::NewTaskId(kSolutionsInternal, result);
    if (!newTaskId) {
        return;
    }
    const std::string& taskId = *newTaskId;
    std::string command = std::string(ImageManager::kTask) + "solutions --remove --task-id " + taskId;
    for (const std::string& name : solutions) {
        command += " --name " + name;
    }
    if (auto launchError = ImageManager::Launch(command, taskId, kSolutionsInternal)) {
        return result.Fail(launchError);
    }
    result.Succeed(taskId);
}

}  // namespace Com::Orvane::Tarn::HostprefDaemon::SolutionsSvc
