#include "software/HostsComponentsService.hpp"

#include "platform/host/CSLogger.hpp"
#include "software/ImageManager.hpp"
#include "util/CommandArguments.hpp"
#include "util/NativeJson.hpp"

namespace Com::Orvane::Tarn::Hosts::Software::ComponentsSvc {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
using LifeCycle::ImageManager;
using LifeCycle::ServiceErrors;

// Runs a query whose start failure and non-zero exit both answer with the C library's text.
::Lumo::Data::ErrorValuePtr RunComponentsQuery(const std::string& verb, std::string& output)
{
    const auto run = LifeCycle::RunCommand(std::string(ImageManager::kQuery) + verb, nullptr, &output);
    if (run.kind == LifeCycle::CommandResult::SpawnFailed ||
        run.kind == LifeCycle::CommandResult::NonZeroExit) {
        return ImageManager::NotRun(Errors::InternalServerError, run.code);
    }
    return nullptr;
}

}  // namespace

void AsyncServiceImpl::List(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                            std::optional<std::string> /*host*/,
                            ::Lumo::Core::AsyncResult<std::vector<Summary>> result)
{
    std::string output;
    if (auto error = RunComponentsQuery("component --list ", output)) {
        return result.Fail(error);
    }
    ::Lumo::Data::DataValuePtr value;
    try {
        value = LifeCycle::LumoJson::Decode(output);
    } catch (const std::exception&) {
        return result.Fail(ServiceErrors::Bare(Errors::InternalServerError));
    }
    if (value == nullptr) {
        return result.Fail(ServiceErrors::Bare(Errors::NotFound));
    }
    std::vector<Summary> components;
    if (auto error = LifeCycle::NativeJson::Adapt(value, components, "List", Errors::InternalServerError)) {
        return result.Fail(error);
    }
    result.Succeed(std::move(components));
}

void AsyncServiceImpl::Get(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                           std::optional<std::string> /*host*/, std::string component,
                           ::Lumo::Core::AsyncResult<Info> result)
{
    if (!LifeCycle::IsSafeCommandArgument(component)) {
        CSLogger::Log(0, "[%s] Invalid component name specified", "Get");
        return result.Fail(ServiceErrors::Make(Errors::InvalidArgument,
                                               "com.orvane.tarn.host_settings.software.component.invalid"));
    }
    std::string output;
    if (auto error = RunComponentsQuery("component --get " + component, output)) {
        return result.Fail(error);
    }
    Info info;
    if (auto error = ImageManager::ReadReport(output, info)) {
        return result.Fail(error);
    }
    result.Succeed(std::move(info));
}

}  // namespace Com::Orvane::Tarn::Hosts::Software::ComponentsSvc
