#include "tasks/CheckApplyTask.hpp"

#include "generated/Com/Orvane/Tarn/HostprefDaemon/ConfigurationSvc/CheckApplyResult.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"
#include "tasks/CheckApplySlot.hpp"
#include "tasks/ConfigManagerMessages.hpp"

namespace LifeCycle {

namespace {
namespace Configuration = Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc;
namespace Errors = Com::Orvane::Lumo::Std::Errors;
}  // namespace

CheckApplyTask::CheckApplyTask(std::string name, std::string taskId,
                               std::shared_ptr<Api::AuditContext> auditContext,
                               std::shared_ptr<const Input> input)
    : AssessmentTask(std::move(name), std::move(taskId), std::move(auditContext), std::move(input),
                     kValidationEnd)
{
}

Lumo::Data::DataValuePtr CheckApplyTask::InvalidResult(ValidationErrors errors)
{
    return Lumo::Bindings::NativeToValueAdapter::Adapt(Configuration::CheckApplyResult{
        Configuration::ComplianceStatus::INVALID, std::nullopt, std::nullopt, std::move(errors)});
}

void CheckApplyTask::Operate(const rapidjson::Value& desired, const std::string& context)
{
    const auto assessed = Assess(desired, context);
    if (assessed == nullptr) return;
    CheckApplySlot::Keep(assessed);
    CSLogger::Log(2, "ConfigManagerTask[%s]: collecting compliance result", GetName().c_str());
    Configuration::CheckApplyResult result;
    try {
        const auto handle = MakeTaskHandle(kCheckApplyEnd, 90);
        result.compliance = CollectCompliance(*assessed->compliance, desired);
        result.info =
            Configuration::CheckApplyInfo{assessed->documentId, ImpactInfos(assessed->impact, desired)};
        handle->UpdateProgress(100);
    } catch (const TarnConfigStore::ConfigStoreException&) {
        throw;
    } catch (const std::exception& error) {
        FailWith("ConfigManagerTask[%s]: Compliance check failed: %s", error);
        return;
    }
    result.status = result.compliance->settings.empty() ? Configuration::ComplianceStatus::COMPLIANT
                                                        : Configuration::ComplianceStatus::NON_COMPLIANT;
    Finish(Lumo::Bindings::NativeToValueAdapter::Adapt(result));
}

std::shared_ptr<const TarnConfigManager::CheckApplyResult> CheckApplyTask::Assess(
    const rapidjson::Value& desired, const std::string& context)
{
    try {
        return TarnConfigManager::CheckApply(desired, context,
                                             MakeTaskHandle(kValidationEnd, kCheckApplyEnd));
    } catch (const TarnConfigStore::ConfigStoreException&) {
        throw;
    } catch (const TarnConfigManager::ErrorInfo& info) {
        CSLogger::Log(0, "ConfigManagerTask[%s]: Impact Analysis failed: %s", GetName().c_str(),
                      info.ToJson().c_str());
        SetErrorValue(ConfigManagerMessages::ToError(Errors::InternalServerError, info));
    } catch (const std::exception& error) {
        FailWith("ConfigManagerTask[%s]: CheckApply failed: %s", error);
    }
    return nullptr;
}

void CheckApplyTask::FailWith(const char* line, const std::exception& error)
{
    CSLogger::Log(0, line, GetName().c_str(), error.what());
    SetErrorValue(MakeError(Errors::InternalServerError, kCheckApplyErrorId));
}

}  // namespace LifeCycle
