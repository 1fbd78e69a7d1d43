// Lumo::Authz::AuthzInfo: the entitlements each operation needs on a host that authorizes
// by entitlement: rules per service ("com.orvane.hub.tasks") or per operation
// ("com.orvane.hub.tasks.get", which wins over its service's rule), and the services open
// to anyone.
//
// Filled once at start-up, then shared read-only; thread-safe as a const value.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/lumo/MethodIdentifier.hpp"

namespace Lumo::Authz {

struct AuthzInfo {
    using Entitlements = std::set<std::string, std::less<>>;

    // Rule key (service id, or service id "." operation id) to the entitlements it needs.
    std::map<std::string, Entitlements, std::less<>> rules;
    // Services callable without any identity.
    std::set<std::string, std::less<>> anonymous;

    // The entitlements `method` needs, or nullopt when no rule covers it.
    std::optional<Entitlements> Required(const Core::MethodIdentifier& method) const
    {
        auto rule = rules.find(method.ToString());
        if (rule == rules.end()) {
            rule = rules.find(method.ServiceId());
        }
        if (rule == rules.end()) {
            return std::nullopt;
        }
        return rule->second;
    }
};

}  // namespace Lumo::Authz
