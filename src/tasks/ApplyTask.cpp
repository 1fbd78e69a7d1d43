#include "tasks/ApplyTask.hpp"

#include "generated/Com/Orvane/Tarn/HostprefDaemon/ConfigurationSvc/ApplyResult.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/host/configmanager/ConfigManager.hpp"
#include "platform/host/configmanager/ConfigManagerExceptions.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"
#include "tasks/CheckApplySlot.hpp"
#include "tasks/ConfigManagerMessages.hpp"

namespace LifeCycle {

namespace {

namespace Configuration = Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc;
namespace Errors = Com::Orvane::Lumo::Std::Errors;

Configuration::ApplyStatus ApplyStatusOf(int status)
{
    return status == 1 || status == 2 ? static_cast<Configuration::ApplyStatus>(status)
                                      : Configuration::ApplyStatus::SUCCESS;
}

}  // namespace

ApplyTask::ApplyTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext,
                     std::string documentId)
    : ConfigManagerTaskImpl(std::move(name), std::move(taskId), std::move(auditContext)),
      documentId_(std::move(documentId))
{
}

void ApplyTask::Run()
{
    CSLogger::Log(2, "ConfigManagerTask[%s]: Run started.", GetName().c_str());
    const CheckApplySlot::Result assessed = CheckApplySlot::Take(documentId_);
    if (assessed == nullptr) {
        CSLogger::Log(0, "ConfigManagerTask[%s]: Failed find desired document with id: %s", GetName().c_str(),
                      documentId_.c_str());
        SetErrorValue(MakeError(Errors::InvalidArgument, kInvalidSpecIdId));
        return;
    }
    SetProgress(10);
    try {
        const TarnConfigManager::ApplyResult outcome =
            TarnConfigManager::Apply(*assessed, MakeTaskHandle(10, 90));
        if (outcome.errorInfo.HasMessage()) {
            CSLogger::Log(0, "ConfigManagerTask[%s]: Apply failed: %s", GetName().c_str(),
                          outcome.errorInfo.ToJson().c_str());
            SetErrorValue(ConfigManagerMessages::ToError(Errors::InternalServerError, outcome.errorInfo));
            return;
        }
        SetProgress(95);
        SetResult(Lumo::Bindings::NativeToValueAdapter::Adapt(
            Configuration::ApplyResult{ApplyStatusOf(outcome.status)}));
        CSLogger::Log(2, "ConfigManagerTask[%s]: Run completed.", GetName().c_str());
    } catch (const TarnConfigStore::ConfigStoreException& error) {
        SetErrorValue(MakeError(error));
    } catch (const TarnConfigManager::InvalidImpact& error) {
        FailWith(kInvalidImpactId, error);
    } catch (const TarnConfigManager::HostNotInMM& error) {
        FailWith(kHostNotInMmId, error);
    } catch (const std::exception& error) {
        FailWith(kGenericId, error);
    }
}

void ApplyTask::FailWith(const char* errorId, const std::exception& error)
{
    CSLogger::Log(0, "ConfigManagerTask[%s]: Apply failed: %s", GetName().c_str(), error.what());
    SetErrorValue(MakeError(Errors::InternalServerError, errorId));
}

}  // namespace LifeCycle
