#include "software/HostSettingsTarnService.hpp"

#include "platform/host/CSLogger.hpp"
#include "software/ImageManager.hpp"
#include "util/CommandArguments.hpp"

namespace Com::Orvane::Tarn::HostSettings::Software::TarnSvc {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
using LifeCycle::ImageManager;
using LifeCycle::ServiceErrors;

}  // namespace

void AsyncServiceImpl::Get(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                           std::optional<std::string> /*host*/, ::Lumo::Core::AsyncResult<std::string> result)
{
    std::string output;
    const auto run =
        LifeCycle::RunCommand(std::string(ImageManager::kQuery) + "software_tarn --get ", nullptr, &output);
    const auto error = ImageManager::Outcome(
        run, [](int code) { return code == 82 ? ServiceErrors::Bare(Errors::NotFound) : nullptr; });
    error ? result.Fail(error) : result.Succeed(std::move(output));
}

void AsyncServiceImpl::Set(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                           std::optional<std::string> /*host*/, std::string version,
                           ::Lumo::Core::AsyncResult<void> result)
{
    if (!LifeCycle::IsSafeCommandArgument(version)) {
        CSLogger::Log(0, "[%s] Invalid TARN version specified.", "Set");
        return result.Fail(ServiceErrors::Make(Errors::InvalidArgument,
                                               "com.orvane.tarn.host_settings.software.tarn.invalid"));
    }
    const auto run =
        LifeCycle::RunCommand(std::string(ImageManager::kQuery) + "software_tarn --set " + version);
    const auto error = ImageManager::Outcome(run, [](int code) -> ::Lumo::Data::ErrorValuePtr {
        switch (code) {
            case 82:
                return ServiceErrors::Make(Errors::NotFound,
                                           "com.orvane.tarn.host_settings.software.tarn.notfound");
            case 84:
                return ServiceErrors::Bare(Errors::InvalidArgument);
            default:
                return nullptr;
        }
    });
    error ? result.Fail(error) : result.Succeed();
}

}  // namespace Com::Orvane::Tarn::HostSettings::Software::TarnSvc
