// Lumo::Core::ActivationHelpers: reads and records the common facts of a call's activation.
//
// Stateless; callers hold the activation as AsyncActivation requires.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/lumo/AsyncActivation.hpp"

namespace Lumo::Core {

class ActivationHelpers {
public:
    // The operation id of the call (application context "opId"); empty when there is none.
    static std::string GetActivationOpId(const AsyncActivation& activation);

    // The authenticated user name, or nullopt before authentication or when it gave no user.
    static std::optional<std::string> ExtractUsername(const AsyncActivation& activation);

    // Records the client's address and port in `context`.
    static void SetPeerTcpBindingInfo(ExecutionContext& context, std::string address, uint16_t port);
};

}  // namespace Lumo::Core
