#include "tasks/SetTask.hpp"

#include "platform/host/configmanager/ConfigManager.hpp"
#include "tasks/ConfigManagerMessages.hpp"

namespace LifeCycle {

namespace {
namespace Keys = Com::Orvane::Tarn::Configuration::Components::Groups::KeysSvc;
}  // namespace

SetTask::SetTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext,
                 Key key, std::string value)
    : KeyTask(std::move(name), std::move(taskId), std::move(auditContext), std::move(key),
              "[%s] Failed to set configuration: %s", kSetErrorId),
      value_(std::move(value))
{
}

void SetTask::Change()
{
    const auto& [component, group, key] = GetKey();
    rapidjson::Document input;
    std::vector<TarnConfigManager::ValidationError> errors;
    if (!TarnConfigManager::ValidateInputSet(component, group, key, value_, input, errors)) {
        // The client learns why from the first refusal's text.
        const auto reasons = ConfigManagerMessages::Render(errors.at(0).messages);
        SetErrorValue(MakeError(Com::Orvane::Lumo::Std::Errors::InvalidArgument, kValidationErrorId,
                                {reasons.empty() ? errors[0].path : reasons[0].localized}));
        return;
    }
    rapidjson::Document change;
    rapidjson::Document current;
    rapidjson::Document updated;
    TarnConfigManager::GenerateSetDocuments(component, group, key, input, change, current, updated);
    const auto handle = MakeTaskHandle(10, 25);
    handle->UpdateProgress(40);
    TarnConfigManager::GenerateHostDocumentSchema(*ConfigStoreDocument::ProfileDocument(change));
    const TarnConfigManager::ImpactResult impact = TarnConfigManager::CheckImpact(current, updated, handle);
    const TarnConfigManager::ErrorInfo info =
        TarnConfigManager::SetConfig(change, updated, impact, component, group, key, handle);
    if (info.HasMessage()) {
        FailWith(info);
        return;
    }
    Finish(ConfigStoreDocument::IsDocumentEmpty(change) ? Keys::UpdateStatus::UNCHANGED
                                                        : Keys::UpdateStatus::UPDATED);
}

}  // namespace LifeCycle
