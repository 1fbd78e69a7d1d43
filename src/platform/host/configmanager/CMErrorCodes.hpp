// TarnConfigManager::CMErrorCodes: the error codes that the configuration manager and its
// configuration store put into a ConfigStoreException.
//
// Plain constants; thread-safe.
#pragma once

namespace TarnConfigManager {

enum CMErrorCodes : int {
    kDbConnectError = 2001,
    // The store could not be written (disk full, read-only): no message of its own, so it is
    // reported as an unexpected failure carrying its cause.
    kStoreWriteError = 2002,
    kSchemaNotFound = 2021,
    kNotSingleton = 2022,
    kEmptyDocument = 2023,
    kCheckApplyEmptyInput = 2024,
    kImpactInvalid = 2025,
    kApplyNotInMaintenanceMode = 2026,
    kDeleteDefaultNotSupported = 2027,
    kSingletonError = 2028,
    kHostNotInNbm = 2029,
    kConfigNotFound = 2030,
    kExtractFailed = 2031,
    kExtractInvalidConfig = 2032,
    kParseError = 2080,
    kInvalidPlugin = 2081,
    kUnsupportedPluginVersion = 2082,
    kApplyDependencyError = 2083,
    kInvalidKeyValue = 2084,
    kApplyPluginAbsent = 2085,
    kSchemaStoreError = 2180,
    kHostApiUnsupportedConfig = 2181,
    kUnexpectedError = 3000,
};

}  // namespace TarnConfigManager
