// Lumo::FrameworkMessages: the English default texts of the messages the framework itself
// raises (transport, data conversion, JSON decoding), so every part that raises one uses
// the same id and text.
//
// A constant table; thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lumo/BaseMessage.hpp"

namespace Lumo {

class FrameworkMessages {
public:
    // The default text of framework message `id`, or nullopt for an id the framework does not raise.
    static std::optional<std::string_view> DefaultText(std::string_view id);

    // Message `id` with its default text and `args`; an unknown id gets the text "Unknown message.".
    static BaseMessage Make(std::string id, std::vector<std::string> args = {});
};

}  // namespace Lumo
