// Lumo::Provider::LookupErrors: the not_found answer of the introspection and metadata
// services, one message rendered for the caller's locale.
//
// Stateless; thread-safe.
#pragma once

#include <string>
#include <vector>

#include "platform/lumo/AsyncActivation.hpp"
#include "platform/lumo/ErrorValue.hpp"

namespace Lumo::Provider {

class LookupErrors {
public:
    // A com.orvane.lumo.std.errors.not_found whose one message is framework message
    // `messageId` with `args`, rendered by the activation's request localizer.
    static Data::ErrorValuePtr NotFound(const Core::AsyncActivation& activation, std::string messageId,
                                        std::vector<std::string> args);
};

}  // namespace Lumo::Provider
