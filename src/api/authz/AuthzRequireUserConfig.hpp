// Lumo::Authz::AuthzRequireUserConfig: which services RequireUserAuthz lets through without
// an authenticated user.
//
// Filled once by the provider factory, then shared read-only by the filter; thread-safe as
// a const value.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace Lumo::Authz {

struct AuthzRequireUserConfig {
    // Service ids (e.g. "com.orvane.hub.tasks") whose calls need an authenticated user.
    std::set<std::string, std::less<>> requireUser;
    // Service ids open to anyone (introspection, metadata).
    std::set<std::string, std::less<>> anonymous;
    // When set, a service in neither set needs a user too: an unlisted service is closed.
    bool closedByDefault = true;

    // Whether a call of `serviceId` needs an authenticated user.
    bool IsUserRequired(std::string_view serviceId) const
    {
        if (requireUser.contains(serviceId)) {
            return true;
        }
        return !anonymous.contains(serviceId) && closedByDefault;
    }
};

}  // namespace Lumo::Authz
