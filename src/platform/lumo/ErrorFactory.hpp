// Lumo::Data::ErrorFactory: builds the error value of a standard error from messages.
//
// Stateless; thread-safe.
#pragma once

#include <vector>

#include "platform/lumo/BaseMessage.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/RequestLocalizer.hpp"
#include "platform/lumo/StandardError.hpp"

namespace Lumo::Data {

class ErrorFactory {
public:
    // An error value named after `kind` whose field "messages" lists each of `messages` as a
    // Com::Orvane::Lumo::Std::LocalizableMessage rendered by `localizer`. The result has no
    // other fields; copy it to add some (e.g. "data").
    static ErrorValuePtr GetError(const Com::Orvane::Lumo::Std::Errors::StandardError& kind,
                                  const std::vector<BaseMessage>& messages,
                                  const L10n::RequestLocalizer& localizer);
};

}  // namespace Lumo::Data
