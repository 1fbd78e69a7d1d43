// Lumo::Authz::EntitlementChecker: decides whether the entitlements a caller was granted
// cover the ones an operation needs.
//
// Stateless besides the logger; thread-safe.
#pragma once

#include <memory>
#include <string>

#include "api/authz/AuthzInfo.hpp"
#include "platform/lumo/Logger.hpp"

namespace Lumo::Authz {

class EntitlementChecker {
public:
    explicit EntitlementChecker(std::shared_ptr<Log::Logger> logger) : logger_(std::move(logger)) {}

    // True when `granted` holds every entitlement of `required`; otherwise logs the first
    // one missing, stores it in `missing` and answers false.
    bool Check(const AuthzInfo::Entitlements& required, const AuthzInfo::Entitlements& granted,
               std::string& missing) const;

private:
    std::shared_ptr<Log::Logger> logger_;
};

}  // namespace Lumo::Authz
