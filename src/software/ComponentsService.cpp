#include "software/ComponentsService.hpp"

#include <regex>

#include "software/DepotArguments.hpp"
#include "software/ImageManager.hpp"

namespace Com::Orvane::Tarn::HostprefDaemon::ComponentsSvc {

void AsyncServiceImpl::Apply(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                             std::map<std::string, std::string> components, std::vector<std::string> depots,
                             ::Lumo::Core::AsyncResult<std::string> result)
{
    using LifeCycle::ImageManager;
    static const std::regex kComponentPair(R"(^[a-zA-Z0-9:\-_\.]+$)", std::regex::ECMAScript);
    if (components.empty()) {
        return result.Fail(ImageManager::InvalidInput());
    }
    const auto newTaskId = ImageManager::NewTaskId(true, result);
    if (!newTaskId) {
        return;
    }
    const std::string& taskId = *newTaskId;
    ::Lumo::Data::ErrorValuePtr error;
    std::string command = std::string(ImageManager::kTask) + "components --apply --task-id " + taskId;
    if (!LifeCycle::DepotArguments::Append(depots, command, error)) {
        return result.Fail(error);
    }
    // The map keeps the names in ascending order, which is the order of the arguments.
    for (const auto& [name, version] : components) {
        const std::string pair = name + ":" + version;
        if (!std::regex_match(pair, kComponentPair)) {
            return result.Fail(ImageManager::InvalidInput());
        }
        command += " --component " + pair;
    }
    if (auto launchError = ImageManager::Launch(command, taskId, true)) {
        return result.Fail(launchError);
    }
    result.Succeed(taskId);
}

}  // namespace Com::Orvane::Tarn::HostprefDaemon::ComponentsSvc
