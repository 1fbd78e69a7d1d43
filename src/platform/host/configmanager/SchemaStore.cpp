#include "platform/host/configmanager/SchemaStore.hpp"

#include <rapidjson/pointer.h>
#include <rapidjson/stringbuffer.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/host/CSLogger.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/host/configmanager/CMErrorCodes.hpp"
#include "platform/host/configmanager/ConfigStoreException.hpp"
#include "platform/host/configmanager/JsonFile.hpp"

namespace TarnSchemaStore {

namespace {

namespace fs = std::filesystem;
using TarnConfigStore::ConfigStoreException;

[[noreturn]] void SchemaStoreFailure(const std::string& reason)
{
    CSLogger::Log(0, "SchemaStore: %s", reason.c_str());
    throw ConfigStoreException(TarnConfigManager::kSchemaStoreError,
                               "Failed to access SchemaStore: " + reason);
}

std::string StringMember(const rapidjson::Value& object, const char* name, const std::string& fallback)
{
    const auto member = object.FindMember(name);
    return member != object.MemberEnd() && member->value.IsString() ? member->value.GetString() : fallback;
}

Impact ImpactOf(const std::string& text, const std::string& where)
{
    if (text == "none") return Impact::kNone;
    if (text == "reboot") return Impact::kReboot;
    if (text == "maintenance_mode") return Impact::kMaintenanceMode;
    SchemaStoreFailure(where + ": unknown x-impact \"" + text + "\"");
}

// The "properties" object of `schema`, which `where` must have.
const rapidjson::Value& PropertiesOf(const rapidjson::Value& schema, const std::string& where)
{
    const auto properties = schema.IsObject() ? schema.FindMember("properties") : schema.MemberEnd();
    if (!schema.IsObject() || properties == schema.MemberEnd() || !properties->value.IsObject()) {
        SchemaStoreFailure(where + ": no \"properties\" object");
    }
    return properties->value;
}

std::unique_ptr<KeySchema> LoadKey(const std::string& component, const std::string& group,
                                   const rapidjson::Value::ConstMemberIterator& entry,
                                   const std::string& file)
{
    auto key = std::make_unique<KeySchema>();
    key->component = component;
    key->group = group;
    key->key = entry->name.GetString();
    const std::string where = file + " " + key->Path();
    if (!entry->value.IsObject()) SchemaStoreFailure(where + ": not a schema object");
    key->schema.CopyFrom(entry->value, key->schema.GetAllocator());
    key->hostApi = StringMember(key->schema, "x-host-api", "disabled");
    key->impact = ImpactOf(StringMember(key->schema, "x-impact", "none"), where);
    const auto hostSpecific = key->schema.FindMember("x-host-specific");
    key->hostSpecific = hostSpecific != key->schema.MemberEnd() && hostSpecific->value.IsTrue();
    key->compiled = std::make_unique<rapidjson::SchemaDocument>(key->schema);
    return key;
}

ComponentSchema LoadComponent(const std::string& name, const rapidjson::Document& schema,
                              const std::string& file)
{
    ComponentSchema component;
    component.name = name;
    component.file = file;
    component.validationPlugin = StringMember(schema, "x-validation-plugin", "");
    component.applyPlugin = StringMember(schema, "x-apply-plugin", "");
    component.schema.CopyFrom(schema, component.schema.GetAllocator());
    const rapidjson::Value& groups = PropertiesOf(schema, file);
    for (auto group = groups.MemberBegin(); group != groups.MemberEnd(); ++group) {
        const std::string groupName = group->name.GetString();
        const rapidjson::Value& keys = PropertiesOf(group->value, file + " group " + groupName);
        auto& loaded = component.groups[groupName];
        for (auto key = keys.MemberBegin(); key != keys.MemberEnd(); ++key) {
            loaded.emplace(key->name.GetString(), LoadKey(name, groupName, key, file));
        }
    }
    return component;
}

std::vector<fs::path> SchemaFiles(const std::string& dir)
{
    std::error_code status;
    std::vector<fs::path> files;
    for (fs::directory_iterator entry(dir, status), end; !status && entry != end; entry.increment(status)) {
        if (entry->path().extension() == ".json" && entry->is_regular_file()) files.push_back(entry->path());
    }
    if (status) SchemaStoreFailure("cannot read " + dir + ": " + status.message());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

std::string KeySchema::Path() const
{
    rapidjson::StringBuffer text;
    rapidjson::Pointer().Append(component).Append(group).Append(key).Stringify(text);
    return text.GetString();
}

const rapidjson::Value* KeySchema::Default() const
{
    const auto found = schema.FindMember("default");
    return found != schema.MemberEnd() ? &found->value : nullptr;
}

std::shared_ptr<const SchemaStore> SchemaStore::GetStore()
{
    static std::mutex mutex;
    static std::shared_ptr<const SchemaStore> store;
    std::lock_guard lock(mutex);
    if (store == nullptr) {
        store = LoadFrom(HostRoot::Path(kSchemaDir));
    }
    return store;
}

std::shared_ptr<const SchemaStore> SchemaStore::LoadFrom(const std::string& dir)
{
    auto store = std::make_shared<SchemaStore>();
    for (const fs::path& file : SchemaFiles(dir)) {
        rapidjson::Document schema;
        std::string reason;
        if (TarnConfigStore::JsonFile::Read(file.string(), schema, reason) !=
            TarnConfigStore::JsonFile::ReadStatus::kOk) {
            SchemaStoreFailure(file.string() + ": " + reason);
        }
        const std::string name = schema.IsObject() ? StringMember(schema, "x-component", "") : "";
        if (name.empty()) continue;
        if (store->components_.count(name) != 0)
            SchemaStoreFailure(file.string() + ": component " + name + " again");
        store->components_.emplace(name, LoadComponent(name, schema, file.string()));
    }
    return store;
}

const ComponentSchema* SchemaStore::FindComponent(std::string_view name) const
{
    const auto found = components_.find(name);
    return found != components_.end() ? &found->second : nullptr;
}

const KeySchema* SchemaStore::FindKey(std::string_view component, std::string_view group,
                                      std::string_view key) const
{
    const ComponentSchema* found = FindComponent(component);
    if (found == nullptr) return nullptr;
    const auto groupEntry = found->groups.find(group);
    if (groupEntry == found->groups.end()) return nullptr;
    const auto keyEntry = groupEntry->second.find(key);
    return keyEntry != groupEntry->second.end() ? keyEntry->second.get() : nullptr;
}

}  // namespace TarnSchemaStore
