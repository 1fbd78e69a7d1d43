#include "software/HostSettingsDepotsService.hpp"

#include "platform/host/CSLogger.hpp"
#include "software/ImageManager.hpp"
#include "util/CommandArguments.hpp"
#include "util/NativeJson.hpp"

namespace Com::Orvane::Tarn::HostSettings::DepotsSvc {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
using LifeCycle::ImageManager;
using LifeCycle::ServiceErrors;

constexpr const char* kDepotNameInvalidId = "com.orvane.tarn.host_settings.depot.name.invalid";

// Refuses a depot name that must not reach a command line; true when it may.
bool DepotNameIsSafe(const std::string& name, const char* tag, const ::Lumo::Core::AsyncResult<void>& result)
{
    if (LifeCycle::IsSafeCommandArgument(name)) {
        return true;
    }
    CSLogger::Log(0, "[%s] Invalid name specified. Unsafe to continue.", tag);
    result.Fail(ServiceErrors::Make(Errors::InvalidArgument, kDepotNameInvalidId));
    return false;
}

}  // namespace

void AsyncServiceImpl::List(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                            std::optional<std::string> /*host*/,
                            ::Lumo::Core::AsyncResult<std::vector<DepotSpec>> result)
{
    std::string output;
    const auto run =
        LifeCycle::RunCommand(std::string(ImageManager::kQuery) + "depots --list ", nullptr, &output);
    if (auto error = ImageManager::Outcome(run)) {
        return result.Fail(error);
    }
    std::vector<DepotSpec> depots;
    const auto logBadJson = [](const std::exception&) {
        CSLogger::Log(0, "[%s] Couldn't de-serialize results.", "List");
    };
    if (auto error =
            LifeCycle::NativeJson::Read(output, depots, "List", Errors::InternalServerError, logBadJson)) {
        return result.Fail(error);
    }
    result.Succeed(std::move(depots));
}

void AsyncServiceImpl::Create(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                              std::optional<std::string> /*host*/, DepotSpec spec,
                              ::Lumo::Core::AsyncResult<void> result)
{
    if (!DepotNameIsSafe(spec.name, "Create", result)) {
        return;
    }
    const std::string document = LifeCycle::NativeJson::Encode(spec);
    const auto run =
        LifeCycle::RunCommand(std::string(ImageManager::kQuery) + "depots --create ", &document, nullptr);
    const auto error = ImageManager::Outcome(run, [](int code) -> ::Lumo::Data::ErrorValuePtr {
        switch (code) {
            case 80:
                return ServiceErrors::Bare(Errors::AlreadyExists);
            case 81:
                return ServiceErrors::Bare(Errors::InternalServerError);
            case 83:
                return ServiceErrors::Make(Errors::InternalServerError,
                                           "com.orvane.tarn.host_settings.depot.connect.error");
            default:
                return nullptr;
        }
    });
    error ? result.Fail(error) : result.Succeed();
}

void AsyncServiceImpl::Delete(std::shared_ptr<::Lumo::Core::AsyncActivation> /*activation*/,
                              std::optional<std::string> /*host*/, std::string name,
                              ::Lumo::Core::AsyncResult<void> result)
{
    if (!DepotNameIsSafe(name, "Delete", result)) {
        return;
    }
    const auto run = LifeCycle::RunCommand(std::string(ImageManager::kQuery) + "depots --delete " + name);
    const auto error = ImageManager::Outcome(run, [](int code) -> ::Lumo::Data::ErrorValuePtr {
        return code == 82
                   ? ServiceErrors::Make(Errors::NotFound, "com.orvane.tarn.host_settigns.depot.notfound")
                   : nullptr;
    });
    error ? result.Fail(error) : result.Succeed();
}

}  // namespace Com::Orvane::Tarn::HostSettings::DepotsSvc
