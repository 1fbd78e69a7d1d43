// The configuration manager's single-key operations and the host-level ones (boot apply
// information, the data-processing unit's configuration).

#include <optional>
#include <system_error>

#include "platform/host/HostRoot.hpp"
#include "platform/host/configmanager/ConfigManager.hpp"
#include "platform/host/configmanager/ConfigManagerExceptions.hpp"
#include "platform/host/configmanager/ConfigStore.hpp"
#include "platform/host/configmanager/HostState.hpp"
#include "platform/host/configmanager/JsonFile.hpp"
#include "platform/host/configmanager/KeyValidator.hpp"
#include "platform/host/configmanager/SettingDiff.hpp"

namespace TarnConfigManager {

namespace {

namespace Document = ConfigStoreDocument;
using TarnSchemaStore::SchemaStore;

const TarnSchemaStore::KeySchema& KnownKey(const SchemaStore& schemas, const std::string& component,
                                           const std::string& group, const std::string& key)
{
    const auto* schema = schemas.FindKey(component, group, key);
    if (schema == nullptr) {
        throw InvalidArgumentException("No configuration key " + component + "/" + group + "/" + key);
    }
    return *schema;
}

// The checks every change of a single key passes before the store is written.
void CheckKeyChangeAllowed(const ImpactResult& impact, const std::string& path)
{
    if (!HostState::InNbm()) {
        throw HostNotInNBM("Configuration keys cannot be changed in the host's current state (" + path + ")");
    }
    for (const ImpactItem& item : impact.items) {
        if (item.impact == TarnSchemaStore::Impact::kMaintenanceMode && !HostState::InMaintenanceMode()) {
            throw HostNotInMM("Changing " + item.path + " needs the host in maintenance mode");
        }
    }
}

// Writes `edit` of the store's current tree as the next generation.
template <class Edit>
void ChangeStore(Edit edit, Handle& handle)
{
    const auto snapshot = TarnConfigStore::ConfigStore::Read();
    rapidjson::Document tree;
    tree.CopyFrom(*snapshot.config, tree.GetAllocator());
    edit(tree);
    TarnConfigStore::ConfigStore::Replace(tree, snapshot.generation);
    handle->UpdateProgress(100);
}

// The messages of a boot apply failure, or nullopt when `list` is not a list of messages.
std::optional<std::vector<LocalizableMessage>> MessagesOf(const rapidjson::Value& list)
{
    if (!list.IsArray()) return std::nullopt;
    std::vector<LocalizableMessage> messages;
    for (const auto& item : list.GetArray()) {
        if (!item.IsObject() || !item.HasMember("id") || !item["id"].IsString() || !item.HasMember("text") ||
            !item["text"].IsString()) {
            return std::nullopt;
        }
        LocalizableMessage message{item["id"].GetString(), item["text"].GetString(), {}};
        if (item.HasMember("args") && item["args"].IsArray()) {
            for (const auto& arg : item["args"].GetArray()) {
                if (!arg.IsString()) return std::nullopt;
                message.args.emplace_back(arg.GetString());
            }
        }
        messages.push_back(std::move(message));
    }
    return messages;
}

// The boot apply status in `file`, or nullopt when it is not one.
std::optional<BootApplyInfo> BootApplyInfoOf(const rapidjson::Document& file)
{
    if (!file.IsObject() || !file.HasMember("status") || !file["status"].IsInt()) return std::nullopt;
    BootApplyInfo info;
    info.status = file["status"].GetInt();
    if (!file.HasMember("failures")) return info;
    if (!file["failures"].IsArray()) return std::nullopt;
    for (const auto& failure : file["failures"].GetArray()) {
        if (!failure.IsObject() || !failure.HasMember("time") || !failure["time"].IsInt64() ||
            !failure.HasMember("messages")) {
            return std::nullopt;
        }
        auto messages = MessagesOf(failure["messages"]);
        if (!messages) return std::nullopt;
        info.failures.push_back({failure["time"].GetInt64(), std::move(*messages)});
    }
    return info;
}

}  // namespace

void GetConfig(const std::string& component, const std::string& group, const std::string& key,
               std::string& value, std::string& defaultValue, std::string& schema)
{
    const auto& keySchema = KnownKey(*SchemaStore::GetStore(), component, group, key);
    const auto snapshot = TarnConfigStore::ConfigStore::Read();
    const rapidjson::Value* fallback = keySchema.Default();
    const rapidjson::Value* stored = Document::SettingPointer(component, group, key).Get(*snapshot.config);
    defaultValue = fallback != nullptr ? TarnConfigStore::JsonFile::ToText(*fallback) : "null";
    value = stored != nullptr ? TarnConfigStore::JsonFile::ToText(*stored) : defaultValue;
    schema = TarnConfigStore::JsonFile::ToText(keySchema.schema);
}

bool ValidateInputSet(const std::string& component, const std::string& group, const std::string& key,
                      const std::string& valueText, rapidjson::Document& input,
                      std::vector<ValidationError>& errors)
{
    const auto& keySchema = KnownKey(*SchemaStore::GetStore(), component, group, key);
    rapidjson::Document value;
    if (auto fault = TarnConfigStore::JsonFile::Parse(valueText, value); !fault.empty()) {
        errors.push_back({keySchema.Path(),
                          {{"com.orvane.tarn.settings.validation.json",
                            "{1}: the value is not valid JSON: {2}",
                            {keySchema.Path(), fault}}}});
        return false;
    }
    if (auto failure = KeyValidator::Check(keySchema, value)) {
        errors.push_back({failure->path, {failure->message}});
        return false;
    }
    input.SetObject();
    Document::SetSetting(input, component, group, key, value);
    return true;
}

void GenerateSetDocuments(const std::string& component, const std::string& group, const std::string& key,
                          const rapidjson::Value& input, rapidjson::Document& change,
                          rapidjson::Document& current, rapidjson::Document& updated)
{
    const rapidjson::Value* value = Document::SettingPointer(component, group, key).Get(input);
    if (value == nullptr)
        throw InvalidArgumentException("The input does not set " + component + "/" + group + "/" + key);
    current.CopyFrom(*TarnConfigStore::ConfigStore::Read().config, current.GetAllocator());
    updated.CopyFrom(current, updated.GetAllocator());
    Document::SetSetting(updated, component, group, key, *value);
    change.SetObject();
    const rapidjson::Value* stored = Document::SettingPointer(component, group, key).Get(current);
    if (stored == nullptr || *stored != *value) Document::SetSetting(change, component, group, key, *value);
}

bool ValidateInputDelete(const std::string& component, const std::string& group, const std::string& key)
{
    if (component.empty() || group.empty() || key.empty()) return false;
    KnownKey(*SchemaStore::GetStore(), component, group, key);
    return true;
}

void GenerateDeleteDocuments(const std::string& component, const std::string& group, const std::string& key,
                             rapidjson::Document& change, rapidjson::Document& updated)
{
    updated.CopyFrom(*TarnConfigStore::ConfigStore::Read().config, updated.GetAllocator());
    change.SetObject();
    if (const rapidjson::Value* stored = Document::SettingPointer(component, group, key).Get(updated)) {
        Document::SetSetting(change, component, group, key, *stored);
        Document::RemoveSetting(updated, component, group, key);
    }
}

ImpactResult CheckImpact(const rapidjson::Value& current, const rapidjson::Value& updated, Handle handle)
{
    ImpactResult impact =
        SettingDiff::ImpactOf(SettingDiff::Between(current, updated, *SchemaStore::GetStore(), true));
    handle->UpdateProgress(50);
    return impact;
}

ErrorInfo SetConfig(const rapidjson::Value& change, const rapidjson::Value& /*updated*/,
                    const ImpactResult& impact, const std::string& component, const std::string& group,
                    const std::string& key, Handle handle)
{
    CheckKeyChangeAllowed(impact, component + "/" + group + "/" + key);
    const rapidjson::Value* value = Document::SettingPointer(component, group, key).Get(change);
    if (value != nullptr) {
        ChangeStore(
            [&](rapidjson::Document& tree) { Document::SetSetting(tree, component, group, key, *value); },
            handle);
    }
    return {};
}

ErrorInfo DeleteConfig(const rapidjson::Value& change, const rapidjson::Value& /*updated*/,
                       const ImpactResult& impact, const std::string& component, const std::string& group,
                       const std::string& key, Handle handle)
{
    CheckKeyChangeAllowed(impact, component + "/" + group + "/" + key);
    if (!Document::IsDocumentEmpty(change)) {
        ChangeStore([&](rapidjson::Document& tree) { Document::RemoveSetting(tree, component, group, key); },
                    handle);
    }
    return {};
}

BootApplyInfo GetBootApplyInfo()
{
    rapidjson::Document file;
    std::string reason;
    const auto status = TarnConfigStore::JsonFile::Read(HostRoot::Path(kBootApplyStatusPath), file, reason);
    if (status == TarnConfigStore::JsonFile::ReadStatus::kMissing) return {};
    if (status != TarnConfigStore::JsonFile::ReadStatus::kOk) {
        throw std::runtime_error(std::string("Cannot read ") + kBootApplyStatusPath + ": " + reason);
    }
    std::optional<BootApplyInfo> info = BootApplyInfoOf(file);
    if (!info) throw std::runtime_error(std::string(kBootApplyStatusPath) + " is not a boot apply status");
    return *info;
}

void SetSmartnicConfiguration(const std::string& configuration)
{
    rapidjson::Document parsed;
    if (!TarnConfigStore::JsonFile::Parse(configuration, parsed).empty() || !parsed.IsObject()) {
        throw InvalidArgumentException("The data-processing unit's configuration is not a JSON object");
    }
    TarnConfigStore::JsonFile::Replace(HostRoot::Path(kDpuConfigPath),
                                       TarnConfigStore::JsonFile::ToText(parsed));
}

}  // namespace TarnConfigManager
