#include "api/authz/EntitlementChecker.hpp"

namespace Lumo::Authz {

bool EntitlementChecker::Check(const AuthzInfo::Entitlements& required,
                               const AuthzInfo::Entitlements& granted, std::string& missing) const
{
    for (const auto& entitlement : required) {
        if (!granted.contains(entitlement)) {
            missing = entitlement;
            Log::Write(logger_.get(), Log::kDebug, "Missing entitlement: ", entitlement);
            return false;
        }
    }
    return true;
}

}  // namespace Lumo::Authz
