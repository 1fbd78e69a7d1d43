// TarnConfigManager::SettingDiff: the keys in which two configuration trees differ, as the
// compliance check, the impact analysis and the apply see them.
//
// Static only; thread-safe. The changes point into the two trees, which must outlive them.
#pragma once

#include <rapidjson/document.h>

#include <string>
#include <vector>

#include "platform/host/configmanager/ConfigManager.hpp"
#include "platform/host/configmanager/SchemaStore.hpp"

namespace TarnConfigManager {

struct SettingChange {
    enum class Kind { kAdd, kDelete, kSet };

    Kind kind;
    std::string component;
    std::string group;
    std::string key;
    const rapidjson::Value* hostValue = nullptr;         // null for an addition
    const rapidjson::Value* desiredValue = nullptr;      // null for a deletion
    const TarnSchemaStore::KeySchema* schema = nullptr;  // null for a key no schema describes

    std::string Path() const;
};

class SettingDiff {
public:
    // What it takes to turn `host` into `desired`: keys only `desired` has (additions), keys
    // only `host` has (deletions), and keys with other values (sets), in that order. Without
    // `strict`, a key missing on one side counts as its schema default, so a key set to its
    // default on the other side is no change.
    static std::vector<SettingChange> Between(const rapidjson::Value& host, const rapidjson::Value& desired,
                                              const TarnSchemaStore::SchemaStore& schemas, bool strict);

    // The changes among `changes` that need a reboot or maintenance mode, with a message each.
    static ImpactResult ImpactOf(const std::vector<SettingChange>& changes);
};

}  // namespace TarnConfigManager
