#include "software/HostSettingsSoftwareService.hpp"

#include "platform/host/CSLogger.hpp"
#include "software/ImageManager.hpp"
#include "util/CommandArguments.hpp"
#include "util/NativeJson.hpp"

namespace Com::Orvane::Tarn::HostSettings::SoftwareSvc {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
using LifeCycle::ImageManager;
using LifeCycle::ServiceErrors;

// The error for the first value of `spec` that must not reach the tool; null when none.
::Lumo::Data::ErrorValuePtr UnsafeSpecValue(const SoftwareSpec& spec)
{
    if (spec.base_image && !LifeCycle::IsSafeCommandArgument(spec.base_image->version)) {
        CSLogger::Log(0, "[%s] Invalid TARN version specified", "Set");
        return ServiceErrors::Make(Errors::InvalidArgument,
                                   "com.orvane.tarn.host_settings.software.tarn.invalid");
    }
    for (const auto& [name, version] : spec.components.value_or(std::map<std::string, std::string>{})) {
        if (!LifeCycle::IsSafeCommandArgument(name)) {
            CSLogger::Log(0, "[%s] Invalid component name specified", "Set");
            return ServiceErrors::Make(Errors::InvalidArgument,
                                       "com.orvane.tarn.host_settings.software.component.invalid");
        }
    }
    return nullptr;
}

}  // namespace

void AsyncServiceImpl::Get(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                           std::optional<std::string> /*host*/,
                           ::Lumo::Core::AsyncResult<SoftwareSpec> result)
{
    std::string output;
    const auto run =
        LifeCycle::RunCommand(std::string(ImageManager::kQuery) + "software --get", nullptr, &output);
    if (run.kind == LifeCycle::CommandResult::SpawnFailed) {
        return result.Fail(ImageManager::NotRun(Errors::InternalServerError, run.code));
    }
    if (run.code == 82) {
        CSLogger::Log(0, "[%s] Could not find SoftwareSpec", "Get");
        return result.Fail(
            ServiceErrors::Make(Errors::NotFound, "com.orvane.tarn.host_settings.software.notfound"));
    }
    SoftwareSpec spec;
    const auto logBadJson = [](const std::exception&) {
        CSLogger::Log(0, "[%s] Couldn't de-serialize results.", "Get");
    };
    if (auto error =
            LifeCycle::NativeJson::Read(output, spec, "Get", Errors::InternalServerError, logBadJson)) {
        return result.Fail(error);
    }
    result.Succeed(std::move(spec));
}

void AsyncServiceImpl::Set(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                           std::optional<std::string> /*host*/, SoftwareSpec spec,
                           ::Lumo::Core::AsyncResult<void> result)
{
    if (auto error = UnsafeSpecValue(spec)) {
        return result.Fail(error);
    }
    std::string document;
    try {
        document = LifeCycle::NativeJson::Encode(spec);
    } catch (const std::exception&) {
        CSLogger::Log(0, "[%s] Could not serialize data.", "Set");
        return result.Fail(ServiceErrors::Bare(Errors::InternalServerError));
    }
    const auto run =
        LifeCycle::RunCommand(std::string(ImageManager::kQuery) + "software --set", &document, nullptr);
    const auto error = ImageManager::Outcome(run, [](int code) -> ::Lumo::Data::ErrorValuePtr {
        return code == 82 ? ServiceErrors::Make(Errors::NotFound,
                                                "com.orvane.tarn.host_settings.software.component.notfound")
                          : nullptr;
    });
    error ? result.Fail(error) : result.Succeed();
}

}  // namespace Com::Orvane::Tarn::HostSettings::SoftwareSvc
