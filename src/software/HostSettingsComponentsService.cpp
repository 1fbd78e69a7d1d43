#include "software/HostSettingsComponentsService.hpp"

#include "platform/host/CSLogger.hpp"
#include "software/ImageManager.hpp"
#include "util/CommandArguments.hpp"

namespace Com::Orvane::Tarn::HostSettings::Software::ComponentsSvc {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
using LifeCycle::ImageManager;
using LifeCycle::ServiceErrors;

// Refuses a component name that must not reach a command line; true when it may.
template <class Result>
bool ComponentNameIsSafe(const std::string& name, const char* tag, const Result& result)
{
    if (LifeCycle::IsSafeCommandArgument(name)) {
        return true;
    }
    CSLogger::Log(0, "[%s] Invalid value for component name supplied.", tag);
    result.Fail(ServiceErrors::Make(Errors::InvalidArgument,
                                    "com.orvane.tarn.host_settings.software.component.invalid"));
    return false;
}

// Exit 82 means the component is not there, without further words.
::Lumo::Data::ErrorValuePtr ComponentNotFound(int code)
{
    return code == 82 ? ServiceErrors::Bare(Errors::NotFound) : nullptr;
}

}  // namespace

void AsyncServiceImpl::Get(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                           std::optional<std::string> /*host*/, std::string component,
                           ::Lumo::Core::AsyncResult<std::optional<std::string>> result)
{
    if (!ComponentNameIsSafe(component, "Get", result)) {
        return;
    }
    std::string output;
    const auto run = LifeCycle::RunCommand(
        std::string(ImageManager::kQuery) + "components --get " + component, nullptr, &output);
    if (auto error = ImageManager::Outcome(run, ComponentNotFound)) {
        return result.Fail(error);
    }
    result.Succeed(std::move(output));
}

void AsyncServiceImpl::Set(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                           std::optional<std::string> /*host*/, std::string component,
                           std::optional<std::string> version, ::Lumo::Core::AsyncResult<void> result)
{
    if (!ComponentNameIsSafe(component, "Set", result)) {
        return;
    }
    if (!version || version->empty()) {
        CSLogger::Log(0, "[%s] No value for version supplied.", "Set");
        return result.Fail(ServiceErrors::Bare(Errors::InvalidArgument));
    }
    const auto run = LifeCycle::RunCommand(std::string(ImageManager::kQuery) + "components --set " +
                                           component + " " + *version);
    const auto error = ImageManager::Outcome(run, [](int code) -> ::Lumo::Data::ErrorValuePtr {
        return code == 81 ? ServiceErrors::Bare(Errors::InvalidArgument) : ComponentNotFound(code);
    });
    error ? result.Fail(error) : result.Succeed();
}

void AsyncServiceImpl::Delete(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                              std::optional<std::string> /*host*/, std::string component,
                              ::Lumo::Core::AsyncResult<void> result)
{
    if (!ComponentNameIsSafe(component, "Delete", result)) {
        return;
    }
    const auto run =
        LifeCycle::RunCommand(std::string(ImageManager::kQuery) + "components --del " + component);
    const auto error = ImageManager::Outcome(run, [](int code) -> ::Lumo::Data::ErrorValuePtr {
        return code == 80 ? ServiceErrors::Bare(Errors::InternalServerError) : ComponentNotFound(code);
    });
    error ? result.Fail(error) : result.Succeed();
}

}  // namespace Com::Orvane::Tarn::HostSettings::Software::ComponentsSvc
