#include "tasks/ValidateTask.hpp"

#include "generated/Com/Orvane/Tarn/HostprefDaemon/ConfigurationSvc/ValidationResult.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"

namespace LifeCycle {

namespace {
namespace Configuration = Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc;
}  // namespace

ValidateTask::ValidateTask(std::string name, std::string taskId,
                           std::shared_ptr<Api::AuditContext> auditContext,
                           std::shared_ptr<const Input> input)
    : AssessmentTask(std::move(name), std::move(taskId), std::move(auditContext), std::move(input),
                     kValidationEnd)
{
}

Lumo::Data::DataValuePtr ValidateTask::InvalidResult(ValidationErrors errors)
{
    return Lumo::Bindings::NativeToValueAdapter::Adapt(
        Configuration::ValidationResult{Configuration::ValidationStatus::INVALID, std::move(errors)});
}

void ValidateTask::Operate(const rapidjson::Value& /*desired*/, const std::string& /*context*/)
{
    Finish(Lumo::Bindings::NativeToValueAdapter::Adapt(
        Configuration::ValidationResult{Configuration::ValidationStatus::VALID, {}}));
}

}  // namespace LifeCycle
