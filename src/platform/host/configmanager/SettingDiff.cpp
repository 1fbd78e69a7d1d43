#include "platform/host/configmanager/SettingDiff.hpp"

#include "platform/host/configmanager/ConfigStoreDocument.hpp"

namespace TarnConfigManager {

namespace {

bool IsDefault(const TarnSchemaStore::KeySchema* schema, const rapidjson::Value& value)
{
    const rapidjson::Value* fallback = schema != nullptr ? schema->Default() : nullptr;
    return fallback != nullptr && *fallback == value;
}

}  // namespace

std::string SettingChange::Path() const
{
    return ConfigStoreDocument::PointerToString(ConfigStoreDocument::SettingPointer(component, group, key));
}

std::vector<SettingChange> SettingDiff::Between(const rapidjson::Value& host, const rapidjson::Value& desired,
                                                const TarnSchemaStore::SchemaStore& schemas, bool strict)
{
    std::vector<SettingChange> additions;
    std::vector<SettingChange> sets;
    std::vector<SettingChange> deletions;
    ConfigStoreDocument::ForEachSetting(desired, [&](const std::string& component, const std::string& group,
                                                     const std::string& key, const rapidjson::Value& value) {
        const auto* schema = schemas.FindKey(component, group, key);
        const rapidjson::Value* current =
            ConfigStoreDocument::SettingPointer(component, group, key).Get(host);
        if (current == nullptr) {
            if (strict || !IsDefault(schema, value)) {
                additions.push_back(
                    {SettingChange::Kind::kAdd, component, group, key, nullptr, &value, schema});
            }
        } else if (*current != value) {
            sets.push_back({SettingChange::Kind::kSet, component, group, key, current, &value, schema});
        }
    });
    ConfigStoreDocument::ForEachSetting(host, [&](const std::string& component, const std::string& group,
                                                  const std::string& key, const rapidjson::Value& value) {
        if (ConfigStoreDocument::SettingPointer(component, group, key).Get(desired) != nullptr) return;
        const auto* schema = schemas.FindKey(component, group, key);
        if (strict || !IsDefault(schema, value)) {
            deletions.push_back(
                {SettingChange::Kind::kDelete, component, group, key, &value, nullptr, schema});
        }
    });
    additions.insert(additions.end(), deletions.begin(), deletions.end());
    additions.insert(additions.end(), sets.begin(), sets.end());
    return additions;
}

ImpactResult SettingDiff::ImpactOf(const std::vector<SettingChange>& changes)
{
    ImpactResult result;
    for (const SettingChange& change : changes) {
        if (change.schema == nullptr || change.schema->impact == TarnSchemaStore::Impact::kNone) continue;
        const std::string path = change.Path();
        const bool reboot = change.schema->impact == TarnSchemaStore::Impact::kReboot;
        result.items.push_back({path,
                                change.schema->impact,
                                {reboot ? "com.orvane.tarn.settings.impact.reboot"
                                        : "com.orvane.tarn.settings.impact.maintenance_mode",
                                 reboot ? "{1}: the change takes effect after a reboot."
                                        : "{1}: the change needs the host in maintenance mode.",
                                 {path}}});
    }
    return result;
}

}  // namespace TarnConfigManager
