// Lumo::Core::ExecutionContext: what a call carries besides its input: the application
// context (text entries such as "opId"), the security context (credentials) and the peer
// the request came from.
//
// Plain data owned by the call's activation; used by one thread at a time.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/lumo/SecurityContextWrappedEntry.hpp"

namespace Lumo::Core {

// The TCP address and port of the client, recorded by the transport.
struct PeerTcpBindingInfo {
    std::string address;
    uint16_t port = 0;

    bool operator==(const PeerTcpBindingInfo&) const = default;
};

struct ExecutionContext {
    using ApplicationContext = std::map<std::string, std::string, std::less<>>;
    using SecurityContext = std::map<std::string, SecurityContextWrappedEntry, std::less<>>;

    // The key of the operation id in the application context.
    static constexpr const char* kOpIdKey = "opId";

    ApplicationContext applicationContext;
    SecurityContext securityContext;
    // Set by the transport, never by the client's payload.
    std::optional<PeerTcpBindingInfo> peer;
};

}  // namespace Lumo::Core
