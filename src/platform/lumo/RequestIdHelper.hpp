// Lumo::RequestIdHelper: records a call's JSON-RPC request id (as JSON text) in its
// activation, where the transport reads it back to answer.
//
// Stateless; the activation is used as AsyncActivation requires.
#pragma once

#include <string>
#include <string_view>

#include "platform/lumo/AsyncActivation.hpp"

namespace Lumo {

class RequestIdHelper {
public:
    // Stores `id` in `activation`.
    static void Set(Core::AsyncActivation& activation, std::string_view id);
    // The id stored in `activation`; "null" when none was set.
    static std::string_view Get(const Core::AsyncActivation& activation);
};

}  // namespace Lumo
