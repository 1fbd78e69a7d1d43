// Lumo::Authz::Filter::RequireUserAuthz: refuses calls of services that need an
// authenticated user when the call carries none; open services pass untouched.
//
// Shared chain element; Invoke runs on the endpoint thread, a refusal is answered through
// the dispatcher on a later turn. The configuration is shared read-only.
#pragma once

#include <memory>
#include <string>

#include "api/authz/AuthzRequireUserConfig.hpp"
#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/AsyncLocalProvider.hpp"
#include "platform/lumo/Logger.hpp"

namespace Lumo::Authz::Filter {

class RequireUserAuthz : public Core::AsyncApiProvider,
                         public std::enable_shared_from_this<RequireUserAuthz> {
public:
    static constexpr const char* kUserRequiredId = "com.orvane.lumo.authz.user.required";
    static constexpr const char* kUserRequiredText = "Operation {1} requires an authenticated user.";

    RequireUserAuthz(std::shared_ptr<const AuthzRequireUserConfig> config, Provider::Dispatcher dispatcher,
                     std::shared_ptr<Core::AsyncApiProvider> next, std::shared_ptr<Log::Logger> logger);

    std::string Name() const override { return "RequireUserAuthz"; }

    // Passes the call on when it has a user or its service is open; otherwise answers
    // Unauthenticated and tells the call's observer that access was denied.
    void Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr input,
                std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncApiResultCb resultCb) override;

private:
    void Deny(const Core::MethodIdentifier& method, const Core::AsyncActivation& activation,
              Core::AsyncApiResultCb resultCb);

    std::shared_ptr<const AuthzRequireUserConfig> config_;
    Provider::Dispatcher dispatcher_;
    std::shared_ptr<Core::AsyncApiProvider> next_;
    std::shared_ptr<Log::Logger> logger_;
};

}  // namespace Lumo::Authz::Filter
