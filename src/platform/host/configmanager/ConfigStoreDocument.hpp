// ConfigStoreDocument: the documents the configuration manager works on, and the JSON
// pointers into them.
//
// A configuration tree is an object of components, each an object of groups, each an
// object of keys and their values. A desired document is an object with an optional "id",
// a "profile" tree, a "host-specific" object of trees keyed by host BIOS UUID, and a
// "host-override" tree. Free functions without shared state; thread-safe.
#pragma once

#include <rapidjson/document.h>
#include <rapidjson/pointer.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace ConfigStoreDocument {

inline constexpr const char* kId = "id";
inline constexpr const char* kProfile = "profile";
inline constexpr const char* kHostSpecific = "host-specific";
inline constexpr const char* kHostOverride = "host-override";

using DocumentPtr = std::shared_ptr<rapidjson::Document>;

// The desired document in `text`. Throws TarnConfigStore::ConfigStoreException: empty
// document for a blank text, parse error for text that is not JSON or not of that form.
DocumentPtr CreateDocument(std::string_view text);

// A desired document whose profile is a copy of configuration tree `tree`.
DocumentPtr ProfileDocument(const rapidjson::Value& tree);

// True when the configuration tree `tree` holds no key.
bool IsDocumentEmpty(const rapidjson::Value& tree);

// Calls `visit` with each key of configuration tree `tree`, in document order.
using SettingVisitor = std::function<void(const std::string& component, const std::string& group,
                                          const std::string& key, const rapidjson::Value& value)>;
void ForEachSetting(const rapidjson::Value& tree, const SettingVisitor& visit);

// Sets component/group/key of tree `target` (an object) to a copy of `value`.
void SetSetting(rapidjson::Document& target, const std::string& component, const std::string& group,
                const std::string& key, const rapidjson::Value& value);
// Removes component/group/key from tree `target`, and the group and component it leaves empty.
// Returns whether the key was there.
bool RemoveSetting(rapidjson::Document& target, const std::string& component, const std::string& group,
                   const std::string& key);

// The pointer to component/group/key.
rapidjson::Pointer SettingPointer(const std::string& component, const std::string& group,
                                  const std::string& key);

// `path` (a pointer into a configuration tree) placed below `section` of a desired document.
rapidjson::Pointer RewriteDocumentPointer(const rapidjson::Pointer& path, const rapidjson::Pointer& section);
// The host-specific `section` pointer narrowed to the host `uuid`.
rapidjson::Pointer AppendHostUuidToPointer(const rapidjson::Pointer& section, const std::string& uuid);
bool ValueExists(const rapidjson::Value& document, const rapidjson::Pointer& pointer);
std::string PointerToString(const rapidjson::Pointer& pointer);
// Whether the key that `path` (component/group/key...) points into is host-specific by its schema.
bool getHostSpecificFlag(const rapidjson::Pointer& path);

}  // namespace ConfigStoreDocument
