// TarnConfigManager: the host's configuration manager. It validates desired documents
// against the host's schemas, compares them with the configuration store, assesses and
// applies them, and reads and changes single keys. Long operations report through a
// TaskHandle and stop between components when it is cancelled.
//
// Free functions over the schema store, the configuration store and the host's state
// markers; they keep nothing in memory between calls, and are thread-safe (the store
// serializes changes). Failures are exceptions: TarnConfigStore::ConfigStoreException by
// error code, and the classes of ConfigManagerExceptions.hpp.
#pragma once

#include <rapidjson/document.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/configmanager/ConfigStoreDocument.hpp"
#include "platform/host/configmanager/ErrorInfo.hpp"
#include "platform/host/configmanager/SchemaStore.hpp"
#include "platform/host/configmanager/TaskHandle.hpp"

namespace TarnConfigManager {

using Handle = std::shared_ptr<TaskHandle>;

struct ValidationError {
    std::string path;  // pointer into the merged configuration tree
    std::vector<LocalizableMessage> messages;
};

struct ValidationResult {
    ErrorInfo errorInfo;  // a message here: a validation plugin failed
    std::vector<ValidationError> errors;
};

struct ImpactItem {
    std::string path;
    TarnSchemaStore::Impact impact;
    LocalizableMessage message;
};

struct ImpactResult {
    std::vector<ImpactItem> items;
};

// An assessed document, kept for the apply that follows: what it changes, against which
// generation of the store.
struct CheckApplyResult {
    std::string documentId;
    uint64_t generation = 0;
    std::shared_ptr<const rapidjson::Document> merged;
    ImpactResult impact;
    std::shared_ptr<const rapidjson::Document> compliance;
};

enum ApplyStatus : int { kApplied = 0, kAppliedRebootRequired = 1 };

struct ApplyResult {
    ErrorInfo errorInfo;  // a message here: the apply failed or was cancelled, the store is unchanged
    int status = kApplied;
};

struct BootApplyFailure {
    int64_t time = 0;  // seconds since the epoch
    std::vector<LocalizableMessage> messages;
};

struct BootApplyInfo {
    int status = 0;  // 0 not run, 1 succeeded, 2 failed, 3 restore failed
    std::vector<BootApplyFailure> failures;
};

// Host path of the status file the boot-time apply leaves.
inline constexpr const char* kBootApplyStatusPath = "/var/run/orvane/configmanager/boot-apply.json";
// Host path where the data-processing unit's configuration is kept.
inline constexpr const char* kDpuConfigPath = "/etc/orvane/configstore/dpu.json";

// --- Desired documents ---

// The JSON Schema of a host document with the components `desired` names. Throws
// ConfigStoreException (schema not found) for a component the host has no schema for.
ConfigStoreDocument::DocumentPtr GenerateHostDocumentSchema(const rapidjson::Value& desired);
// The configuration tree `desired` asks of this host: the profile, then this host's
// host-specific entry, then the host override, later sections winning key by key.
void CreateMergedDocument(const rapidjson::Value& desired, rapidjson::Document& merged);
// Checks every key of `merged` against its schema (`strict`: also refuses keys the schemas do
// not know) and runs the components' validation plugins.
void Validate(const rapidjson::Value& merged, const rapidjson::Value& desired, const std::string& context,
              ValidationResult& result, bool strict, Handle handle);
std::string GetBIOSUUID();
// The keys whose change by `desired` needs a reboot or maintenance mode.
ImpactResult Impact(const rapidjson::Value& desired, const std::string& context, Handle handle);
// How the store differs from `desired`: {"ADDS": [...], "DELETES": [...], "SETS": [...]}, each
// element with "path" and "hostValue" / "desiredValue". Without `strict`, a key the store
// lacks and the document sets to its default (or the reverse) is no difference.
void CheckCompliance(const rapidjson::Value& desired, bool strict, rapidjson::Document& compliance,
                     Handle handle);
// Assesses `desired` for an apply.
std::shared_ptr<const CheckApplyResult> CheckApply(const rapidjson::Value& desired,
                                                   const std::string& context, Handle handle);
// Makes the store hold what `assessed` assessed, component by component. Throws InvalidImpact
// when the store changed since, HostNotInMM when a change needs maintenance mode.
ApplyResult Apply(const CheckApplyResult& assessed, Handle handle);
// The host's configuration as a desired document.
std::string ExportDocument();

// --- Single keys ---

// The key's value (its default when unset), default and schema as JSON texts. Throws
// InvalidArgumentException for a key the schemas do not have.
void GetConfig(const std::string& component, const std::string& group, const std::string& key,
               std::string& value, std::string& defaultValue, std::string& schema);
// Whether `valueText` is a valid value of the key; `input` becomes the tree that sets it.
bool ValidateInputSet(const std::string& component, const std::string& group, const std::string& key,
                      const std::string& valueText, rapidjson::Document& input,
                      std::vector<ValidationError>& errors);
// From `input`: `change` (the setting, empty when the store already holds it), the store's
// tree `current`, and `updated`, the tree after the change.
void GenerateSetDocuments(const std::string& component, const std::string& group, const std::string& key,
                          const rapidjson::Value& input, rapidjson::Document& change,
                          rapidjson::Document& current, rapidjson::Document& updated);
bool ValidateInputDelete(const std::string& component, const std::string& group, const std::string& key);
// `change` holds the key's stored setting (empty when it has none); `updated` is the tree without it.
void GenerateDeleteDocuments(const std::string& component, const std::string& group, const std::string& key,
                             rapidjson::Document& change, rapidjson::Document& updated);
// The keys whose change from `current` to `updated` needs a reboot or maintenance mode.
ImpactResult CheckImpact(const rapidjson::Value& current, const rapidjson::Value& updated, Handle handle);
// Write `change` into the store. Throw HostNotInNBM outside NBM, HostNotInMM when `impact`
// needs maintenance mode the host is not in.
ErrorInfo SetConfig(const rapidjson::Value& change, const rapidjson::Value& updated,
                    const ImpactResult& impact, const std::string& component, const std::string& group,
                    const std::string& key, Handle handle);
ErrorInfo DeleteConfig(const rapidjson::Value& change, const rapidjson::Value& updated,
                       const ImpactResult& impact, const std::string& component, const std::string& group,
                       const std::string& key, Handle handle);

// --- Host ---

// What the boot-time apply reported. Throws std::runtime_error for an unreadable status file.
BootApplyInfo GetBootApplyInfo();
// Keeps `configuration` (a JSON object) as the data-processing unit's configuration. Throws
// InvalidArgumentException for anything else, std::system_error when it cannot be written.
void SetSmartnicConfiguration(const std::string& configuration);

}  // namespace TarnConfigManager
