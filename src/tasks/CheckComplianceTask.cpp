#include "tasks/CheckComplianceTask.hpp"

#include "generated/Com/Orvane/Tarn/HostprefDaemon/ConfigurationSvc/CheckComplianceResult.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"

namespace LifeCycle {

namespace {
namespace Configuration = Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc;
}  // namespace

CheckComplianceTask::CheckComplianceTask(std::string name, std::string taskId,
                                         std::shared_ptr<Api::AuditContext> auditContext,
                                         std::shared_ptr<const Input> input)
    : AssessmentTask(std::move(name), std::move(taskId), std::move(auditContext), std::move(input),
                     kValidationEnd)
{
}

Lumo::Data::DataValuePtr CheckComplianceTask::InvalidResult(ValidationErrors errors)
{
    return Lumo::Bindings::NativeToValueAdapter::Adapt(Configuration::CheckComplianceResult{
        Configuration::ComplianceStatus::INVALID, std::nullopt, std::move(errors)});
}

void CheckComplianceTask::Operate(const rapidjson::Value& desired, const std::string& /*context*/)
{
    try {
        rapidjson::Document compliance;
        TarnConfigManager::CheckCompliance(desired, GetInput().strict, compliance,
                                           MakeTaskHandle(kValidationEnd, 90));
        Configuration::ComplianceInfo info = CollectCompliance(compliance, desired);
        const auto status = info.settings.empty() ? Configuration::ComplianceStatus::COMPLIANT
                                                  : Configuration::ComplianceStatus::NON_COMPLIANT;
        Finish(Lumo::Bindings::NativeToValueAdapter::Adapt(
            Configuration::CheckComplianceResult{status, std::move(info), {}}));
    } catch (const TarnConfigStore::ConfigStoreException&) {
        throw;
    } catch (const std::exception& error) {
        CSLogger::Log(0, "ConfigManagerTask[%s]: Compliance check failed: %s", GetName().c_str(),
                      error.what());
        SetErrorValue(MakeError(Com::Orvane::Lumo::Std::Errors::InternalServerError, kComplianceErrorId));
    }
}

}  // namespace LifeCycle
