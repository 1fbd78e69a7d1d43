#include "tasks/AssessmentTask.hpp"

#include "platform/host/CSLogger.hpp"
#include "platform/host/configmanager/ConfigStoreDocument.hpp"
#include "platform/host/configmanager/JsonFile.hpp"
#include "platform/lumo/DirectJsonCodec.hpp"
#include "platform/lumo/NativeToValueAdapter.hpp"
#include "tasks/ConfigManagerMessages.hpp"

namespace LifeCycle {

namespace {

namespace Errors = Com::Orvane::Lumo::Std::Errors;
namespace Configuration = Com::Orvane::Tarn::HostprefDaemon::ConfigurationSvc;
namespace Document = ConfigStoreDocument;

// A compliance element's value, as JSON text.
std::optional<std::string> ValueText(const rapidjson::Value& element, const char* name)
{
    const auto member = element.FindMember(name);
    if (member == element.MemberEnd()) return std::nullopt;
    return TarnConfigStore::JsonFile::ToText(member->value);
}

}  // namespace

AssessmentTask::AssessmentTask(std::string name, std::string taskId,
                               std::shared_ptr<Api::AuditContext> auditContext,
                               std::shared_ptr<const Input> input, int validationEnd)
    : ConfigManagerTaskImpl(std::move(name), std::move(taskId), std::move(auditContext)),
      input_(std::move(input)),
      validationEnd_(validationEnd)
{
}

void AssessmentTask::Run()
{
    CSLogger::Log(2, "ConfigManagerTask[%s]: Run started.", GetName().c_str());
    SetProgress(kValidationStart);
    try {
        const Document::DocumentPtr desired = Document::CreateDocument(input_->desiredDocument);
        TarnConfigManager::GenerateHostDocumentSchema(*desired);
        const std::string context = ContextJson();
        std::optional<ValidationErrors> errors = ValidateDocument(*desired, context);
        if (!errors) return;
        if (!errors->empty()) {
            SetResult(InvalidResult(std::move(*errors)));
            return;
        }
        Operate(*desired, context);
    } catch (const TarnConfigStore::ConfigStoreException& error) {
        SetErrorValue(MakeError(error));
    }
}

std::string AssessmentTask::ContextJson() const
{
    if (!input_->clusterContext) return "{}";
    std::string json;
    try {
        json = Lumo::Protocol::Json::DirectJsonCodec::Encode(
            *Lumo::Bindings::NativeToValueAdapter::Adapt(*input_->clusterContext));
    } catch (const std::exception&) {
        CSLogger::Log(0, "ConfigManagerTask[%s]: Failed to retrieve context", GetName().c_str());
        throw std::runtime_error("Error converting Cluster Context to Json");
    }
    CSLogger::Log(3, "ConfigManagerTask[%s]: Retrieved context %s", GetName().c_str(), json.c_str());
    return json;
}

std::optional<AssessmentTask::ValidationErrors> AssessmentTask::ValidateDocument(
    const rapidjson::Value& desired, const std::string& context)
{
    try {
        rapidjson::Document merged;
        TarnConfigManager::CreateMergedDocument(desired, merged);
        TarnConfigManager::ValidationResult result;
        TarnConfigManager::Validate(merged, desired, context, result, input_->strict,
                                    MakeTaskHandle(kValidationStart, validationEnd_));
        if (result.errorInfo.HasMessage()) {
            CSLogger::Log(0, "ConfigManagerTask[%s]: Validate failed: plugin failure", GetName().c_str());
            SetErrorValue(ConfigManagerMessages::ToError(Errors::InternalServerError, result.errorInfo));
            return std::nullopt;
        }
        ValidationErrors errors;
        for (const TarnConfigManager::ValidationError& error : result.errors) {
            std::optional<std::string> path = MapPath(desired, error.path);
            if (!path) {
                CSLogger::Log(0, "ConfigManagerTask[%s]: Validate failed: Invalid path [%s]",
                              GetName().c_str(), error.path.c_str());
                SetErrorValue(MakeError(Errors::InternalServerError, kValidationInternalErrorId));
                return std::nullopt;
            }
            errors.push_back({std::move(*path), ConfigManagerMessages::Render(error.messages)});
        }
        return errors;
    } catch (const TarnConfigStore::ConfigStoreException& error) {
        SetErrorValue(MakeError(error));
    } catch (const std::exception& error) {
        CSLogger::Log(0, "ConfigManagerTask[%s]: Validate failed: %s", GetName().c_str(), error.what());
        SetErrorValue(MakeError(Errors::InternalServerError, kValidationErrorId));
    }
    return std::nullopt;
}

void AssessmentTask::Finish(Lumo::Data::DataValuePtr result)
{
    SetProgress(95);
    SetResult(std::move(result));
    CSLogger::Log(2, "ConfigManagerTask[%s]: Run completed.", GetName().c_str());
}

std::optional<std::string> AssessmentTask::MapPath(const rapidjson::Value& desired, const std::string& path)
{
    const rapidjson::Pointer pointer(path.c_str());
    if (!pointer.IsValid()) return std::nullopt;
    const rapidjson::Pointer profile = rapidjson::Pointer().Append(std::string(Document::kProfile));
    rapidjson::Pointer candidate = Document::RewriteDocumentPointer(pointer, profile);
    if (Document::ValueExists(desired, candidate)) return Document::PointerToString(candidate);
    const auto hosts = desired.FindMember(Document::kHostSpecific);
    if (hosts != desired.MemberEnd() && hosts->value.MemberCount() > 0) {
        if (!hostUuid_) hostUuid_ = TarnConfigManager::GetBIOSUUID();
        const rapidjson::Pointer section = Document::AppendHostUuidToPointer(
            rapidjson::Pointer().Append(std::string(Document::kHostSpecific)), *hostUuid_);
        candidate = Document::RewriteDocumentPointer(pointer, section);
        if (Document::ValueExists(desired, candidate)) return Document::PointerToString(candidate);
    }
    candidate = Document::RewriteDocumentPointer(
        pointer, rapidjson::Pointer().Append(std::string(Document::kHostOverride)));
    if (Document::ValueExists(desired, candidate)) return Document::PointerToString(candidate);
    return std::nullopt;
}

std::string AssessmentTask::MapPathOrProfile(const rapidjson::Value& desired, const std::string& path)
{
    std::optional<std::string> mapped = MapPath(desired, path);
    return mapped ? *mapped : "/" + std::string(Document::kProfile) + path;
}

Configuration::ComplianceInfo AssessmentTask::CollectCompliance(const rapidjson::Value& compliance,
                                                                const rapidjson::Value& desired)
{
    Configuration::ComplianceInfo info;
    const std::pair<const char*, Configuration::ComplianceChange> lists[] = {
        {"ADDS", Configuration::ComplianceChange::ADD},
        {"DELETES", Configuration::ComplianceChange::DELETE},
        {"SETS", Configuration::ComplianceChange::SET},
    };
    for (const auto& [name, change] : lists) {
        const auto list = compliance.FindMember(name);
        if (list == compliance.MemberEnd() || !list->value.IsArray()) continue;
        for (const auto& element : list->value.GetArray()) {
            Configuration::SettingCompliance setting;
            setting.path = MapPathOrProfile(desired, element["path"].GetString());
            setting.change = change;
            if (change != Configuration::ComplianceChange::ADD)
                setting.host_value = ValueText(element, "hostValue");
            if (change != Configuration::ComplianceChange::DELETE) {
                setting.desired_value = ValueText(element, "desiredValue");
            }
            info.settings.push_back(std::move(setting));
        }
    }
    return info;
}

std::vector<Configuration::ImpactInfo> AssessmentTask::ImpactInfos(
    const TarnConfigManager::ImpactResult& impact, const rapidjson::Value& desired)
{
    std::vector<Configuration::ImpactInfo> infos;
    for (const TarnConfigManager::ImpactItem& item : impact.items) {
        infos.push_back({MapPathOrProfile(desired, item.path),
                         item.impact == TarnSchemaStore::Impact::kReboot ? "REBOOT_REQUIRED"
                                                                         : "MAINTENANCE_MODE_REQUIRED",
                         ConfigManagerMessages::Render({item.message})});
    }
    return infos;
}

}  // namespace LifeCycle
