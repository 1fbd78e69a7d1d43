// Com::Orvane::Lumo::Std::LocalizableMessage: a message as an error value carries it in its
// "messages" list: the id, the English default text, the arguments and the text rendered
// for the request's locale.
//
// A plain value type. As a data value it is a structure of type
// "com.orvane.lumo.std.localizable_message" with the fields "id", "default_message",
// "args" (list of strings) and "localized".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/lumo/BaseMessage.hpp"
#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/RequestLocalizer.hpp"
#include "platform/lumo/StructValue.hpp"

namespace Com::Orvane::Lumo::Std {

struct LocalizableMessage {
    static constexpr const char* kTypeName = "com.orvane.lumo.std.localizable_message";

    std::string id;
    std::string defaultMessage;
    std::vector<std::string> args;
    std::string localized;

    // `message` with its text rendered by `localizer`.
    static LocalizableMessage Render(const ::Lumo::BaseMessage& message,
                                     const ::Lumo::L10n::RequestLocalizer& localizer);

    // The message as a structure value.
    ::Lumo::Data::StructValuePtr ToValue() const;

    // The message held by `value`, or nullopt when `value` is not such a structure.
    static std::optional<LocalizableMessage> FromValue(const ::Lumo::Data::DataValue& value);

    bool operator==(const LocalizableMessage&) const = default;
};

}  // namespace Com::Orvane::Lumo::Std
