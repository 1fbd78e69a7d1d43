// TarnConfigManager::KeyValidator: checks one key's value against the key's compiled schema
// and says what is wrong in the configuration manager's messages (wrong type, not one of the
// allowed values, out of range, not of the required form, ...).
//
// Static only; thread-safe (schemas are immutable, each check has its own validator).
#pragma once

#include <rapidjson/document.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/host/configmanager/ErrorInfo.hpp"
#include "platform/host/configmanager/SchemaStore.hpp"

namespace TarnConfigManager {

class KeyValidator {
public:
    struct Failure {
        std::string path;  // pointer to the offending value in the configuration tree
        LocalizableMessage message;
    };

    // nullopt when `value` is a valid value of `key`.
    static std::optional<Failure> Check(const TarnSchemaStore::KeySchema& key, const rapidjson::Value& value);

    // The message for a setting `path` that no schema of the host describes.
    static LocalizableMessage UnknownSetting(const std::string& path);

    // `value` as JSON text, cut to a length fit for a message.
    static std::string Excerpt(const rapidjson::Value& value);
};

}  // namespace TarnConfigManager
