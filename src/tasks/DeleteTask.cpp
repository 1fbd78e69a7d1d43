#include "tasks/DeleteTask.hpp"

#include "platform/host/configmanager/ConfigManager.hpp"

namespace LifeCycle {

namespace {
namespace Keys = Com::Orvane::Tarn::Configuration::Components::Groups::KeysSvc;
}  // namespace

DeleteTask::DeleteTask(std::string name, std::string taskId, std::shared_ptr<Api::AuditContext> auditContext,
                       Key key)
    : KeyTask(std::move(name), std::move(taskId), std::move(auditContext), std::move(key),
              "[%s] Failed to Delete configuration: %s", kDeleteErrorId)
{
}

void DeleteTask::Change()
{
    const auto& [component, group, key] = GetKey();
    if (!TarnConfigManager::ValidateInputDelete(component, group, key)) {
        SetErrorValue(MakeError(Com::Orvane::Lumo::Std::Errors::InvalidArgument, kValidationErrorId));
        return;
    }
    rapidjson::Document change;
    rapidjson::Document updated;
    TarnConfigManager::GenerateDeleteDocuments(component, group, key, change, updated);
    if (ConfigStoreDocument::IsDocumentEmpty(change)) {
        Finish(Keys::UpdateStatus::UNCHANGED);
        return;
    }
    const auto handle = MakeTaskHandle(0, 10);
    handle->UpdateProgress(40);
    TarnConfigManager::GenerateHostDocumentSchema(*ConfigStoreDocument::ProfileDocument(change));
    // What goes is the key's setting, so the impact is that of removing `change`.
    const TarnConfigManager::ImpactResult impact =
        TarnConfigManager::CheckImpact(change, rapidjson::Value(rapidjson::kObjectType), handle);
    const TarnConfigManager::ErrorInfo info =
        TarnConfigManager::DeleteConfig(change, updated, impact, component, group, key, handle);
    if (info.HasMessage()) {
        FailWith(info);
        return;
    }
    Finish(Keys::UpdateStatus::UPDATED);
}

}  // namespace LifeCycle
