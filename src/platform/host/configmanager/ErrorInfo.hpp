// TarnConfigManager::ErrorInfo: the messages of a failed configuration-manager step, each a
// catalogue id with an English default text ("{1}" placeholders) and its arguments. An
// operation that can fail softly returns one (no message: success); CheckApply also throws
// one.
//
// A plain value type.
#pragma once

#include <string>
#include <vector>

namespace TarnConfigManager {

struct LocalizableMessage {
    std::string id;
    std::string text;
    std::vector<std::string> args;
};

struct ErrorInfo {
    std::vector<LocalizableMessage> messages;

    bool HasMessage() const { return !messages.empty(); }
    // The messages as JSON text, for logs.
    std::string ToJson() const;
};

}  // namespace TarnConfigManager
