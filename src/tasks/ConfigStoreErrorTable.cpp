#include "tasks/ConfigStoreErrorTable.hpp"

#include <algorithm>
#include <array>

#include "translator/Translator.hpp"
#include "platform/host/configmanager/CMErrorCodes.hpp"

namespace LifeCycle {

namespace {

using namespace TarnConfigManager;

// Sorted by code.
constexpr std::array<ConfigStoreErrorTable::Entry, 22> kConfigStoreErrors{{
    {kDbConnectError, "com.orvane.tarn.settings.configmanager.db-connect-error",
     "Failed to connect to ConfigStore"},
    {kSchemaNotFound, "com.orvane.tarn.settings.configmanager.schema-not-found",
     "Schema object not found: %s"},
    {kNotSingleton, "com.orvane.tarn.settings.configmanager.not-singleton", "Not a Singleton object: %s"},
    {kEmptyDocument, "com.orvane.tarn.settings.configmanager.empty-doc",
     "The desired configuration document is empty."},
    {kCheckApplyEmptyInput, "com.orvane.tarn.settings.check-apply.empty-input",
     "The Apply API was invoked without valid input."},
    {kImpactInvalid, "com.orvane.tarn.settings.impact.invalid",
     "The impact result is not applicable anymore."},
    {kApplyNotInMaintenanceMode, "com.orvane.tarn.settings.apply.not-in-maint-mode",
     "The host must be in maintenance mode for apply to proceed."},
    {kDeleteDefaultNotSupported, "com.orvane.tarn.settings.extract.delete-default-not-supported",
     "Deleting default configuration for %s is not supported."},
    {kSingletonError, "com.orvane.tarn.settings.configmanager.singleton-error",
     "Not a Non-Singleton object: %s"},
    {kHostNotInNbm, "com.orvane.tarn.settings.configmanager.host-not-in-nbm",
     "The host has other pending desired configurations, please reboot the host."},
    {kConfigNotFound, "com.orvane.tarn.settings.configmanager.not-found",
     "No configuration found for %s in the config store"},
    {kExtractFailed, "com.orvane.tarn.settings.extract.failed", "Extract plugin failed: %s"},
    {kExtractInvalidConfig, "com.orvane.tarn.settings.extract.invalid-config",
     "Extract plugin(s) returned invalid config: %s"},
    {kParseError, "com.orvane.tarn.settings.configmanager.parse-error", "Failed to parse JSON String"},
    {kInvalidPlugin, "com.orvane.tarn.settings.configmanager.invalid-plugin",
     "The plugin JSON does not validate against schema: %s"},
    {kUnsupportedPluginVersion, "com.orvane.tarn.settings.configmanager.unsupported-plugin-version",
     "The plugin JSON version is not supported: %s"},
    {kApplyDependencyError, "com.orvane.tarn.settings.apply.dependency-error",
     "Failed to create dependency graph from plugin JSON files."},
    {kInvalidKeyValue, "com.orvane.tarn.settings.configmanager.invalid-key-value",
     "Invalid value for key %s"},
    {kApplyPluginAbsent, "com.orvane.tarn.settings.configmanager.apply-plugin-absent",
     "No Apply plugins were found for %s configuration."},
    {kSchemaStoreError, "com.orvane.tarn.settings.configmanager.schema-store-error",
     "Failed to access SchemaStore"},
    {kHostApiUnsupportedConfig, "com.orvane.tarn.settings.hostapi.unsupported-config",
     "Cannot use HostAPIs as Configuration is not user configuration"},
    {kUnexpectedError, "com.orvane.tarn.settings.configmanager.unexpected-error", ""},
}};

static_assert(std::is_sorted(kConfigStoreErrors.begin(), kConfigStoreErrors.end(),
                             [](const auto& a, const auto& b) { return a.code < b.code; }));

}  // namespace

std::optional<ConfigStoreErrorTable::Entry> ConfigStoreErrorTable::Find(int code)
{
    auto entry = std::lower_bound(kConfigStoreErrors.begin(), kConfigStoreErrors.end(), code,
                                  [](const Entry& e, int wanted) { return e.code < wanted; });
    if (entry == kConfigStoreErrors.end() || entry->code != code) {
        return std::nullopt;
    }
    return *entry;
}

Lumo::BaseMessage ConfigStoreErrorTable::MessageOf(const TarnConfigStore::ConfigStoreException& error)
{
    std::optional<Entry> entry = Find(error.GetErrorCode());
    if (!entry) {
        return Lumo::BaseMessage(kUnhandledErrorId, Translator::Lookup(kUnhandledErrorId, "en_US"),
                                 {error.what()});
    }
    // A code without an English text of its own falls back to the catalogues' text.
    std::string text = *entry->englishText != '\0' ? ToPositional(entry->englishText)
                                                   : Translator::Lookup(entry->messageId, "en_US");
    return Lumo::BaseMessage(entry->messageId, std::move(text), error.GetArgs());
}

std::string ConfigStoreErrorTable::ToPositional(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 4);
    int next = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's') {
            out += "{" + std::to_string(next++) + "}";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace LifeCycle
