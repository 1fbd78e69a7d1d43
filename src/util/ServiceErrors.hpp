// LifeCycle::ServiceErrors: the error values the daemon's services answer with: a standard error
// carrying messages whose English texts come from the message catalogues, rendered for "en_US"
// in "Etc/UTC".
//
// Static only; thread-safe.
#pragma once

#include <string>
#include <vector>

#include "platform/lumo/BaseMessage.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/StandardError.hpp"

namespace LifeCycle {

class ServiceErrors {
public:
    using Kind = Com::Orvane::Lumo::Std::Errors::StandardError;

    // `kind` with the one message `id` (its catalogue text) and `args`.
    static Lumo::Data::ErrorValuePtr Make(const Kind& kind, const std::string& id,
                                          std::vector<std::string> args = {});

    // `kind` without messages.
    static Lumo::Data::ErrorValuePtr Bare(const Kind& kind);

    // `kind` carrying `messages` as they are.
    static Lumo::Data::ErrorValuePtr WithMessages(const Kind& kind,
                                                  const std::vector<Lumo::BaseMessage>& messages);

    // The messages an error value carries (well-formed ones only).
    static std::vector<Lumo::BaseMessage> MessagesOf(const Lumo::Data::ErrorValue& error);
};

}  // namespace LifeCycle
