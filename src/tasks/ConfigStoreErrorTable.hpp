// LifeCycle::ConfigStoreErrorTable: the message id and English text of each configuration
// store error code (TarnConfigManager::CMErrorCodes), and the error value a
// ConfigStoreException turns into.
//
// Static data; thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/configmanager/ConfigStoreException.hpp"
#include "platform/lumo/BaseMessage.hpp"

namespace LifeCycle {

class ConfigStoreErrorTable {
public:
    struct Entry {
        int code;
        const char* messageId;
        const char* englishText;  // "%s" where the message takes its argument; "" when none
    };

    // The id of a failure the table does not know.
    static constexpr const char* kUnhandledErrorId = "com.orvane.tarn.task.unhandled.error";

    // The entry of `code`, or nullopt for a code outside the table.
    static std::optional<Entry> Find(int code);

    // The message that `error` is reported with: the entry's id with the exception's
    // arguments, or kUnhandledErrorId with the exception's text for a code outside the table.
    static Lumo::BaseMessage MessageOf(const TarnConfigStore::ConfigStoreException& error);

    // `text` with each "%s" turned into the next positional placeholder "{1}", "{2}" ...
    static std::string ToPositional(std::string_view text);
};

}  // namespace LifeCycle
