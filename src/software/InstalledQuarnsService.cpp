#include "software/InstalledQuarnsService.hpp"

#include "platform/host/CSLogger.hpp"
#include "software/ImageManager.hpp"
#include "util/NativeJson.hpp"

namespace Com::Orvane::Tarn::Software::InstalledQuarnsSvc {

void AsyncServiceImpl::List(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                            std::optional<FilterSpec> filter,
                            ::Lumo::Core::AsyncResult<std::vector<QuarnInfo>> result)
{
    namespace Errors = Com::Orvane::Lumo::Std::Errors;
    using LifeCycle::ImageManager;
    const bool orphansOnly = filter && filter->orphan.value_or(false);
    std::string output;
    const auto run = LifeCycle::RunCommand(
        std::string(ImageManager::kQuery) + (orphansOnly ? "QUARN --list-orphan" : "QUARN --list-all"),
        nullptr, &output);
    if (run.kind != LifeCycle::CommandResult::Ok) {
        return result.Fail(ImageManager::NotRun(Errors::Error, run.code));
    }
    std::vector<QuarnInfo> quarns;
    const auto logBadJson = [](const std::exception& error) {
        CSLogger::Log(0, "[%s]: %s", "List", error.what());
        CSLogger::Log(0, "[%s]: Can't deserialize json", "List");
    };
    if (auto error = LifeCycle::NativeJson::Read(output, quarns, "List", Errors::Error, logBadJson)) {
        return result.Fail(error);
    }
    result.Succeed(std::move(quarns));
}

}  // namespace Com::Orvane::Tarn::Software::InstalledQuarnsSvc
