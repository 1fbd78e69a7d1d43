#include "tasks/ImpactTask.hpp"

#include "generated/Com/Orvane/Tarn/HostprefDaemon/ConfigurationSvc/ImpactResult.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"

namespace LifeCycle {

namespace {
namespace Configuration = Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc;
}  // namespace

ImpactTask::ImpactTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext,
                       std::shared_ptr<const Input> input)
    : AssessmentTask(std::move(name), std::move(taskId), std::move(auditContext), std::move(input),
                     kValidationEnd)
{
}

Lumo::Data::DataValuePtr ImpactTask::InvalidResult(ValidationErrors errors)
{
    return Lumo::Bindings::NativeToValueAdapter::Adapt(
        Configuration::ImpactResult{Configuration::ImpactStatus::INVALID, {}, std::move(errors)});
}

void ImpactTask::Operate(const rapidjson::Value& desired, const std::string& context)
{
    try {
        const TarnConfigManager::ImpactResult impact =
            TarnConfigManager::Impact(desired, context, MakeTaskHandle(kValidationEnd, 90));
        Configuration::ImpactResult result{impact.items.empty() ? Configuration::ImpactStatus::NO_IMPACT
                                                                : Configuration::ImpactStatus::IMPACT,
                                           ImpactInfos(impact, desired),
                                           {}};
        Finish(Lumo::Bindings::NativeToValueAdapter::Adapt(result));
    } catch (const TarnConfigStore::ConfigStoreException&) {
        throw;
    } catch (const std::exception& error) {
        CSLogger::Log(0, "ConfigManagerTask[%s]: Impact analysis failed: %s", GetName().c_str(),
                      error.what());
        SetErrorValue(MakeError(Com::Orvane::Lumo::Std::Errors::InternalServerError, kImpactErrorId));
    }
}

}  // namespace LifeCycle
