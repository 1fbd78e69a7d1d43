// Lumo::Authz::Filter::AsyncAuthzFilter: authorization by entitlement: a call passes when
// its service is open or the caller's entitlements cover the operation's rule; an operation
// without a rule is closed.
//
// Shared chain element; Invoke runs on the endpoint thread, a refusal is answered through
// the dispatcher on a later turn. The rules are shared read-only.
#pragma once

#include <memory>
#include <string>

#include "api/authz/AuthzInfo.hpp"
#include "api/authz/EntitlementChecker.hpp"
#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/AsyncLocalProvider.hpp"
#include "platform/lumo/StandardError.hpp"

namespace Lumo::Authz::Filter {

class AsyncAuthzFilter : public Core::AsyncApiProvider,
                         public std::enable_shared_from_this<AsyncAuthzFilter> {
public:
    static constexpr const char* kNotEntitledId = "com.orvane.lumo.authz.not.entitled";
    static constexpr const char* kNotEntitledText = "Operation {1} is not permitted.";

    AsyncAuthzFilter(std::shared_ptr<const AuthzInfo> info, std::shared_ptr<const EntitlementChecker> checker,
                     Provider::Dispatcher dispatcher, std::shared_ptr<Core::AsyncApiProvider> next,
                     std::shared_ptr<Log::Logger> logger);

    std::string Name() const override { return "AsyncAuthzFilter"; }

    // Passes a permitted call on; answers any other with Unauthenticated (no identity) or
    // Unauthorized (identity without the entitlements) and tells the call's observer.
    void Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr input,
                std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncApiResultCb resultCb) override;

private:
    void Deny(const Com::Orvane::Lumo::Std::Errors::StandardError& kind, const std::string& reason,
              const Core::MethodIdentifier& method, const Core::AsyncActivation& activation,
              Core::AsyncApiResultCb resultCb);

    std::shared_ptr<const AuthzInfo> info_;
    std::shared_ptr<const EntitlementChecker> checker_;
    Provider::Dispatcher dispatcher_;
    std::shared_ptr<Core::AsyncApiProvider> next_;
    std::shared_ptr<Log::Logger> logger_;
};

}  // namespace Lumo::Authz::Filter
