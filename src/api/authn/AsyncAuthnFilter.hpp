// Lumo::Authn::Filter::AsyncAuthnFilter: authenticates each call with one handler; a
// successful call goes on carrying its authentication data, a failed one is answered with
// the handler's error.
//
// Shared chain element holding its handler and next element; Invoke runs on the endpoint
// thread, the handler's verdict may arrive later.
#pragma once

#include <memory>
#include <string>

#include "api/authn/AuthnHandler.hpp"
#include "platform/lumo/AsyncApiProvider.hpp"

namespace Lumo::Authn::Filter {

class AsyncAuthnFilter : public Core::AsyncApiProvider,
                         public std::enable_shared_from_this<AsyncAuthnFilter> {
public:
    AsyncAuthnFilter(std::shared_ptr<AuthnHandler> handler, std::shared_ptr<Core::AsyncApiProvider> next)
        : handler_(std::move(handler)), next_(std::move(next))
    {
    }

    std::string Name() const override { return "AsyncAuthnFilter"; }

    // Passes an already authenticated call, or one without credentials of the handler's
    // kind, on unchanged; otherwise asks the handler first.
    void Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr input,
                std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncApiResultCb resultCb) override;

private:
    void OnVerdict(AuthnOutcome outcome, const Core::MethodIdentifier& method, Data::DataValuePtr input,
                   std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncApiResultCb resultCb);

    std::shared_ptr<AuthnHandler> handler_;
    std::shared_ptr<Core::AsyncApiProvider> next_;
};

}  // namespace Lumo::Authn::Filter
