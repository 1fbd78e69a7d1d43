// Lumo::Authn::AuthnHandler: checks the credentials of one kind (user name and password,
// ticket, token) that a call carries and says who the caller is.
//
// Shared by the authentication filter for the life of the chain; called on the endpoint
// thread. Implementations say whether they keep state between calls.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/lumo/AsyncActivation.hpp"
#include "platform/lumo/ErrorValue.hpp"

namespace Lumo::Authn {

// A handler's verdict: who the caller is, or the error to answer the call with.
struct AuthnOutcome {
    static AuthnOutcome Success(Core::AuthenticationData identity) { return {std::move(identity), nullptr}; }
    static AuthnOutcome Failure(Data::ErrorValuePtr error) { return {std::nullopt, std::move(error)}; }

    bool Succeeded() const { return identity.has_value(); }

    std::optional<Core::AuthenticationData> identity;
    Data::ErrorValuePtr error;
};

class AuthnHandler {
public:
    using Completion = std::function<void(AuthnOutcome)>;

    virtual ~AuthnHandler() = default;

    // Checks the credentials in `securityContext` for the call of `activation` and reports
    // through `done`, exactly once, possibly before returning.
    virtual void Authenticate(std::shared_ptr<Core::AsyncActivation> activation,
                              const Core::ExecutionContext::SecurityContext& securityContext,
                              Completion done) = 0;

    // Whether `securityContext` carries credentials of this handler's kind at all; a call
    // without any is passed on unauthenticated, and authorization decides about it.
    virtual bool HasCredentials(const Core::ExecutionContext::SecurityContext& securityContext) const = 0;
};

}  // namespace Lumo::Authn
