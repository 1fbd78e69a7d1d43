#include "platform/host/configmanager/ConfigManager.hpp"

#include <set>

#include "platform/host/CSLogger.hpp"
#include "platform/host/CryptoHash.hpp"
#include "platform/host/configmanager/CMErrorCodes.hpp"
#include "platform/host/configmanager/ConfigManagerExceptions.hpp"
#include "platform/host/configmanager/ConfigStore.hpp"
#include "platform/host/configmanager/ConfigStoreException.hpp"
#include "platform/host/configmanager/HostState.hpp"
#include "platform/host/configmanager/JsonFile.hpp"
#include "platform/host/configmanager/KeyValidator.hpp"
#include "platform/host/configmanager/PluginRunner.hpp"
#include "platform/host/configmanager/SettingDiff.hpp"

namespace TarnConfigManager {

namespace {

namespace Document = ConfigStoreDocument;
using TarnSchemaStore::Impact;
using TarnSchemaStore::SchemaStore;

const rapidjson::Value* Section(const rapidjson::Value& desired, const char* name)
{
    const auto found = desired.FindMember(name);
    return found != desired.MemberEnd() ? &found->value : nullptr;
}

void MergeTree(rapidjson::Document& merged, const rapidjson::Value* tree)
{
    if (tree == nullptr) return;
    Document::ForEachSetting(*tree, [&](const std::string& component, const std::string& group,
                                        const std::string& key, const rapidjson::Value& value) {
        Document::SetSetting(merged, component, group, key, value);
    });
}

// Every component named by any section of `desired`.
std::set<std::string> ComponentsOf(const rapidjson::Value& desired)
{
    std::set<std::string> names;
    auto collect = [&](const rapidjson::Value* tree) {
        if (tree == nullptr || !tree->IsObject()) return;
        for (const auto& component : tree->GetObject()) names.insert(component.name.GetString());
    };
    collect(Section(desired, Document::kProfile));
    collect(Section(desired, Document::kHostOverride));
    if (const rapidjson::Value* hosts = Section(desired, Document::kHostSpecific)) {
        for (const auto& host : hosts->GetObject()) collect(&host.value);
    }
    return names;
}

bool Needs(const ImpactResult& impact, Impact kind)
{
    for (const ImpactItem& item : impact.items) {
        if (item.impact == kind) return true;
    }
    return false;
}

void ComplianceDocument(const std::vector<SettingChange>& changes, rapidjson::Document& compliance)
{
    auto& allocator = compliance.GetAllocator();
    compliance.SetObject();
    rapidjson::Value adds(rapidjson::kArrayType);
    rapidjson::Value deletes(rapidjson::kArrayType);
    rapidjson::Value sets(rapidjson::kArrayType);
    for (const SettingChange& change : changes) {
        rapidjson::Value element(rapidjson::kObjectType);
        element.AddMember("path", rapidjson::Value(change.Path().c_str(), allocator), allocator);
        if (change.hostValue != nullptr) {
            element.AddMember("hostValue", rapidjson::Value(*change.hostValue, allocator), allocator);
        }
        if (change.desiredValue != nullptr) {
            element.AddMember("desiredValue", rapidjson::Value(*change.desiredValue, allocator), allocator);
        }
        auto& list = change.kind == SettingChange::Kind::kAdd      ? adds
                     : change.kind == SettingChange::Kind::kDelete ? deletes
                                                                   : sets;
        list.PushBack(element, allocator);
    }
    compliance.AddMember("ADDS", adds, allocator);
    compliance.AddMember("DELETES", deletes, allocator);
    compliance.AddMember("SETS", sets, allocator);
}

// The desired document's "id", or one made from its content.
std::string DocumentIdOf(const rapidjson::Value& desired)
{
    if (const rapidjson::Value* id = Section(desired, Document::kId)) return id->GetString();
    const Sha256Digest digest = CryptoHash_ComputeSHA256(TarnConfigStore::JsonFile::ToText(desired));
    return "sha256-" + CryptoHash_ToHex(std::span(digest).first(8));
}

// Checks the keys of one component of `merged`; `strict` also refuses keys no schema has.
void ValidateComponent(const SchemaStore& schemas, const std::string& component,
                       const rapidjson::Value& groups, bool strict, std::vector<ValidationError>& errors)
{
    for (const auto& group : groups.GetObject()) {
        for (const auto& key : group.value.GetObject()) {
            const auto* schema = schemas.FindKey(component, group.name.GetString(), key.name.GetString());
            if (schema != nullptr) {
                if (auto failure = KeyValidator::Check(*schema, key.value)) {
                    errors.push_back({failure->path, {failure->message}});
                }
            } else if (strict) {
                const std::string path = Document::PointerToString(
                    Document::SettingPointer(component, group.name.GetString(), key.name.GetString()));
                errors.push_back({path, {KeyValidator::UnknownSetting(path)}});
            }
        }
    }
}

}  // namespace

ConfigStoreDocument::DocumentPtr GenerateHostDocumentSchema(const rapidjson::Value& desired)
{
    const auto schemas = SchemaStore::GetStore();
    auto schema = std::make_shared<rapidjson::Document>();
    auto& allocator = schema->GetAllocator();
    schema->SetObject();
    schema->AddMember("type", "object", allocator);
    rapidjson::Value properties(rapidjson::kObjectType);
    for (const std::string& name : ComponentsOf(desired)) {
        const TarnSchemaStore::ComponentSchema* component = schemas->FindComponent(name);
        if (component == nullptr) {
            throw TarnConfigStore::ConfigStoreException(kSchemaNotFound, "Schema object not found: " + name,
                                                        {name});
        }
        properties.AddMember(rapidjson::Value(name.c_str(), allocator),
                             rapidjson::Value(component->schema, allocator), allocator);
    }
    schema->AddMember("properties", properties, allocator);
    return schema;
}

void CreateMergedDocument(const rapidjson::Value& desired, rapidjson::Document& merged)
{
    merged.SetObject();
    MergeTree(merged, Section(desired, Document::kProfile));
    const rapidjson::Value* hosts = Section(desired, Document::kHostSpecific);
    if (hosts != nullptr && hosts->MemberCount() > 0) {
        MergeTree(merged, Document::AppendHostUuidToPointer(rapidjson::Pointer(), GetBIOSUUID()).Get(*hosts));
    }
    MergeTree(merged, Section(desired, Document::kHostOverride));
}

void Validate(const rapidjson::Value& merged, const rapidjson::Value& /*desired*/, const std::string& context,
              ValidationResult& result, bool strict, Handle handle)
{
    CSLogger::Log(3, "ConfigManager: validating for context %s", context.c_str());
    const auto schemas = SchemaStore::GetStore();
    result = {};
    const float total = static_cast<float>(merged.MemberCount());
    int done = 0;
    for (const auto& component : merged.GetObject()) {
        const std::string name = component.name.GetString();
        const size_t errorsBefore = result.errors.size();
        ValidateComponent(*schemas, name, component.value, strict, result.errors);
        const TarnSchemaStore::ComponentSchema* schema = schemas->FindComponent(name);
        // A plugin judges the component as a whole, so only a component whose keys passed.
        if (schema != nullptr && !schema->validationPlugin.empty() && result.errors.size() == errorsBefore) {
            const PluginRunner::Outcome outcome =
                PluginRunner::Run(schema->validationPlugin, name, component.value);
            if (!outcome.Succeeded()) {
                result.errorInfo.messages.push_back({"com.orvane.tarn.settings.validation.plugin",
                                                     "The validation plugin of {1} failed: {2}",
                                                     {name, outcome.Describe()}});
            }
        }
        handle->UpdateProgress(100.0f * static_cast<float>(++done) / total);
    }
}

std::string GetBIOSUUID() { return HostState::BiosUuid(); }

ImpactResult Impact(const rapidjson::Value& desired, const std::string& /*context*/, Handle handle)
{
    rapidjson::Document merged;
    CreateMergedDocument(desired, merged);
    const auto snapshot = TarnConfigStore::ConfigStore::Read();
    ImpactResult result = SettingDiff::ImpactOf(
        SettingDiff::Between(*snapshot.config, merged, *SchemaStore::GetStore(), false));
    handle->UpdateProgress(100);
    return result;
}

void CheckCompliance(const rapidjson::Value& desired, bool strict, rapidjson::Document& compliance,
                     Handle handle)
{
    rapidjson::Document merged;
    CreateMergedDocument(desired, merged);
    const auto snapshot = TarnConfigStore::ConfigStore::Read();
    ComplianceDocument(SettingDiff::Between(*snapshot.config, merged, *SchemaStore::GetStore(), strict),
                       compliance);
    handle->UpdateProgress(100);
}

std::shared_ptr<const CheckApplyResult> CheckApply(const rapidjson::Value& desired,
                                                   const std::string& /*context*/, Handle handle)
{
    auto merged = std::make_shared<rapidjson::Document>();
    CreateMergedDocument(desired, *merged);
    const auto snapshot = TarnConfigStore::ConfigStore::Read();
    const auto changes = SettingDiff::Between(*snapshot.config, *merged, *SchemaStore::GetStore(), false);
    auto compliance = std::make_shared<rapidjson::Document>();
    ComplianceDocument(changes, *compliance);
    auto result = std::make_shared<CheckApplyResult>();
    result->documentId = DocumentIdOf(desired);
    result->generation = snapshot.generation;
    result->merged = std::move(merged);
    result->impact = SettingDiff::ImpactOf(changes);
    result->compliance = std::move(compliance);
    handle->UpdateProgress(100);
    return result;
}

ApplyResult Apply(const CheckApplyResult& assessed, Handle handle)
{
    const auto snapshot = TarnConfigStore::ConfigStore::Read();
    if (snapshot.generation != assessed.generation) {
        throw InvalidImpact("The configuration changed since the apply was checked (generation " +
                            std::to_string(assessed.generation) + ", now " +
                            std::to_string(snapshot.generation) + ")");
    }
    const auto schemas = SchemaStore::GetStore();
    const auto changes = SettingDiff::Between(*snapshot.config, *assessed.merged, *schemas, true);
    const ImpactResult impact = SettingDiff::ImpactOf(changes);
    if (Needs(impact, Impact::kMaintenanceMode) && !HostState::InMaintenanceMode()) {
        throw HostNotInMM("Applying " + assessed.documentId + " needs the host in maintenance mode");
    }
    std::set<std::string> components;
    for (const SettingChange& change : changes) components.insert(change.component);
    ApplyResult result;
    int done = 0;
    for (const std::string& component : components) {
        if (handle->IsCancelled()) {
            result.errorInfo.messages.push_back(
                {"com.orvane.tarn.settings.apply.cancelled",
                 "The apply was cancelled before component {1}; the configuration "
                 "was not changed.",
                 {component}});
            return result;
        }
        const TarnSchemaStore::ComponentSchema* schema = schemas->FindComponent(component);
        if (schema != nullptr && !schema->applyPlugin.empty()) {
            // A component whose keys all go is applied with an empty configuration.
            const rapidjson::Value empty(rapidjson::kObjectType);
            const auto tree = assessed.merged->FindMember(component.c_str());
            const PluginRunner::Outcome outcome = PluginRunner::Run(
                schema->applyPlugin, component, tree != assessed.merged->MemberEnd() ? tree->value : empty);
            if (!outcome.Succeeded()) {
                result.errorInfo.messages.push_back({"com.orvane.tarn.settings.apply.plugin",
                                                     "The apply plugin of {1} failed: {2}",
                                                     {component, outcome.Describe()}});
                return result;
            }
        }
        handle->UpdateProgress(100.0f * static_cast<float>(++done) / static_cast<float>(components.size()));
    }
    TarnConfigStore::ConfigStore::Replace(*assessed.merged, assessed.generation);
    result.status = Needs(impact, Impact::kReboot) ? kAppliedRebootRequired : kApplied;
    return result;
}

std::string ExportDocument()
{
    const auto snapshot = TarnConfigStore::ConfigStore::Read();
    const auto schemas = SchemaStore::GetStore();
    rapidjson::Document profile(rapidjson::kObjectType);
    rapidjson::Document hostSpecific(rapidjson::kObjectType);
    Document::ForEachSetting(*snapshot.config, [&](const std::string& component, const std::string& group,
                                                   const std::string& key, const rapidjson::Value& value) {
        const auto* schema = schemas->FindKey(component, group, key);
        Document::SetSetting(schema != nullptr && schema->hostSpecific ? hostSpecific : profile, component,
                             group, key, value);
    });
    rapidjson::Document exported(rapidjson::kObjectType);
    auto& allocator = exported.GetAllocator();
    exported.AddMember("id",
                       rapidjson::Value(("export-" + std::to_string(snapshot.generation)).c_str(), allocator),
                       allocator);
    exported.AddMember("profile", rapidjson::Value(profile, allocator), allocator);
    if (!Document::IsDocumentEmpty(hostSpecific)) {
        rapidjson::Value hosts(rapidjson::kObjectType);
        hosts.AddMember(rapidjson::Value(GetBIOSUUID().c_str(), allocator),
                        rapidjson::Value(hostSpecific, allocator), allocator);
        exported.AddMember("host-specific", hosts, allocator);
    }
    return TarnConfigStore::JsonFile::ToText(exported);
}

}  // namespace TarnConfigManager
