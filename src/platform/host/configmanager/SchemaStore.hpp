// TarnSchemaStore::SchemaStore: the host's configuration schemas, one JSON Schema document per
// component in the schema directory, broken down to one compiled schema per key with the
// key's annotations (who may change it through the host API, whether it is host-specific,
// what applying a change to it takes).
//
// Immutable once loaded and shared: GetStore loads the host's store on first use and hands
// the same store to every caller; thread-safe.
#pragma once

#include <rapidjson/document.h>
#include <rapidjson/schema.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace TarnSchemaStore {

// What applying a change to a key takes of the host.
enum class Impact { kNone, kReboot, kMaintenanceMode };

struct KeySchema {
    std::string component;
    std::string group;
    std::string key;
    // "enabled", "disabled" or the name of the feature switch that opens the key.
    std::string hostApi = "disabled";
    bool hostSpecific = false;
    Impact impact = Impact::kNone;
    // The key's own JSON Schema and its compiled form (which refers to it).
    rapidjson::Document schema;
    std::unique_ptr<rapidjson::SchemaDocument> compiled;

    // "/component/group/key" as a JSON pointer.
    std::string Path() const;
    // The schema's "default", or null when it has none.
    const rapidjson::Value* Default() const;
};

struct ComponentSchema {
    std::string name;
    // The schema file it came from (a local path).
    std::string file;
    // Command lines run on a validate or an apply of the component; empty when none.
    std::string validationPlugin;
    std::string applyPlugin;
    // The component's whole JSON Schema.
    rapidjson::Document schema;
    // group -> key -> schema
    std::map<std::string, std::map<std::string, std::unique_ptr<KeySchema>, std::less<>>, std::less<>> groups;
};

class SchemaStore {
public:
    // Host directory of the schema files.
    static constexpr const char* kSchemaDir = "/usr/lib/orvane/configmanager/schemas";

    // The host's store, read from kSchemaDir on the first call (a failed read is tried again
    // on the next). Throws TarnConfigStore::ConfigStoreException (schema store error) when
    // the directory or a component schema in it cannot be read.
    static std::shared_ptr<const SchemaStore> GetStore();

    // A store over the schema files of local directory `dir`. Files without an
    // "x-component" name (the base image's schemas) are not configuration components.
    static std::shared_ptr<const SchemaStore> LoadFrom(const std::string& dir);

    const ComponentSchema* FindComponent(std::string_view name) const;
    const KeySchema* FindKey(std::string_view component, std::string_view group, std::string_view key) const;
    const std::map<std::string, ComponentSchema, std::less<>>& Components() const { return components_; }

private:
    std::map<std::string, ComponentSchema, std::less<>> components_;
};

}  // namespace TarnSchemaStore
