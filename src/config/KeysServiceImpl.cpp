#include "config/KeysServiceImpl.hpp"

#include "config/ConfigTaskLauncher.hpp"
#include "platform/host/FeatureState.hpp"
#include "platform/host/configmanager/ConfigManager.hpp"
#include "platform/host/configmanager/ConfigManagerExceptions.hpp"
#include "platform/lumo/ActivationHelpers.hpp"
#include "tasks/DeleteTask.hpp"
#include "tasks/SetTask.hpp"

namespace Com::Orvane::Tarn::Configuration::Components::Groups::KeysSvc {

namespace {

using LifeCycle::ConfigManagerTaskImpl;
namespace Errors = Com::Orvane::Lumo::Std::Errors;

constexpr const char* kConsoleUser = "hostcon";
constexpr const char* kUnauthenticatedId =
    "com.orvane.tarn.configuration.components.groups.keys.unauthenticate.error";
constexpr const char* kUnauthorizedId =
    "com.orvane.tarn.configuration.components.groups.keys.unauthorized.error";
constexpr const char* kKeyInvalidId =
    "com.orvane.tarn.configuration.components.groups.keys.invalidargument.error";
constexpr const char* kGetErrorId = "com.orvane.tarn.configuration.components.groups.keys.get.config.error";

// Whether the key whose host-API attribute is `hostApi` is open.
bool HostApiOpen(const std::string& hostApi, const std::string& keyName)
{
    if (hostApi == "enabled") return true;
    if (hostApi == "disabled") return false;
    const std::optional<bool> state = FeatureState_Find(hostApi.c_str());
    if (!state) {
        CSLogger::Log(0, "Unknown FSS in hostAPI: '%s'", hostApi.c_str());
        return false;
    }
    CSLogger::Log(2, "%s hostAPI=%s(%s)", keyName.c_str(), hostApi.c_str(), *state ? "ENABLED" : "DISABLED");
    return *state;
}

// Starts task `Kind` for `method` with the key (and the task's other inputs).
template <class Kind, class... Inputs>
void LaunchKeyTask(const ::Lumo::Core::AsyncActivation& activation, std::string_view method,
                   LifeCycle::KeyTask::Key key, const ::Lumo::Core::AsyncResult<std::string>& result,
                   Inputs... inputs)
{
    LifeCycle::ConfigTaskLauncher::Launch(
        activation, method, nullptr,
        [&](const std::string& taskId, std::shared_ptr<Api::AuditContext> audit) {
            return std::make_shared<Kind>(std::string(method), taskId, std::move(audit), std::move(key),
                                          std::move(inputs)...);
        },
        result);
}

}  // namespace

::Lumo::Data::ErrorValuePtr KeysServiceImpl::CheckUser(const ::Lumo::Core::AsyncActivation& activation)
{
    const std::optional<std::string> user = ::Lumo::Core::ActivationHelpers::ExtractUsername(activation);
    if (!user) {
        CSLogger::Log(2, "Unable to get username for HostAPI access");
        return ConfigManagerTaskImpl::MakeError(Errors::InternalServerError, kUnauthenticatedId);
    }
    CSLogger::Log(2, "HostAPI access requested by \"%s\" user.", user->c_str());
    if (*user == kConsoleUser) {
        CSLogger::Log(0, "Access Denied!");
        return ConfigManagerTaskImpl::MakeError(Errors::Unauthorized, kUnauthorizedId);
    }
    CSLogger::Log(2, "Access Granted!");
    return nullptr;
}

::Lumo::Data::ErrorValuePtr KeysServiceImpl::CheckKeyOpen(const char* operation, const std::string& component,
                                                          const std::string& group, const std::string& key)
{
    const std::string keyName = component + "/" + group + "/" + key;
    bool open = false;
    try {
        const auto* schema = TarnSchemaStore::SchemaStore::GetStore()->FindKey(component, group, key);
        open = schema != nullptr && HostApiOpen(schema->hostApi, keyName);
    } catch (const TarnConfigStore::ConfigStoreException& error) {
        return ConfigManagerTaskImpl::MakeError(error);
    }
    if (open) return nullptr;
    CSLogger::Log(0, "[%s] hostAPI is not enabled for : %s", operation, keyName.c_str());
    return ConfigManagerTaskImpl::MakeError(Errors::InvalidArgument, kKeyInvalidId);
}

::Lumo::Data::ErrorValuePtr KeysServiceImpl::CheckGates(const ::Lumo::Core::AsyncActivation& activation,
                                                        const char* operation, const std::string& component,
                                                        const std::string& group, const std::string& key)
{
    ::Lumo::Data::ErrorValuePtr refused = CheckUser(activation);
    return refused != nullptr ? refused : CheckKeyOpen(operation, component, group, key);
}

void KeysServiceImpl::Get(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string component,
                          std::string group, std::string key, ::Lumo::Core::AsyncResult<GetResult> result)
{
    if (::Lumo::Data::ErrorValuePtr refused = CheckGates(*activation, "Get", component, group, key)) {
        result.Fail(refused);
        return;
    }
    GetResult answer;
    ::Lumo::Data::ErrorValuePtr error;
    try {
        TarnConfigManager::GetConfig(component, group, key, answer.value, answer.default_value,
                                     answer.schema);
    } catch (const TarnConfigManager::InvalidArgumentException& failure) {
        CSLogger::Log(0, "[%s] Failed to fetch configuration: %s", "Get", failure.what());
        error = ConfigManagerTaskImpl::MakeError(Errors::InvalidArgument, kKeyInvalidId);
    } catch (const std::exception& failure) {
        CSLogger::Log(0, "[%s] Failed to fetch configuration: %s", "Get", failure.what());
        error = ConfigManagerTaskImpl::MakeError(Errors::InternalServerError, kGetErrorId);
    }
    if (error != nullptr) {
        result.Fail(error);
    } else {
        result.Succeed(std::move(answer));
    }
}

void KeysServiceImpl::Set(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string component,
                          std::string group, std::string key, std::string value,
                          ::Lumo::Core::AsyncResult<std::string> result)
{
    if (::Lumo::Data::ErrorValuePtr refused = CheckGates(*activation, "Set", component, group, key)) {
        result.Fail(refused);
        return;
    }
    LaunchKeyTask<LifeCycle::SetTask>(*activation, SetMethod::taskMethodName,
                                      {std::move(component), std::move(group), std::move(key)}, result,
                                      std::move(value));
}

void KeysServiceImpl::Delete(std::shared_ptr<::Lumo::Core::AsyncActivation> activation, std::string component,
                             std::string group, std::string key,
                             ::Lumo::Core::AsyncResult<std::string> result)
{
    if (::Lumo::Data::ErrorValuePtr refused = CheckGates(*activation, "Delete", component, group, key)) {
        result.Fail(refused);
        return;
    }
    LaunchKeyTask<LifeCycle::DeleteTask>(*activation, DeleteMethod::taskMethodName,
                                         {std::move(component), std::move(group), std::move(key)}, result);
}

}  // namespace Com::Orvane::Tarn::Configuration::Components::Groups::KeysSvc
