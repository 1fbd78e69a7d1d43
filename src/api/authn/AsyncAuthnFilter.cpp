#include "api/authn/AsyncAuthnFilter.hpp"

#include "api/authz/CallObserver.hpp"

namespace Lumo::Authn::Filter {

void AsyncAuthnFilter::Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr input,
                              std::shared_ptr<Core::AsyncActivation> activation,
                              Core::AsyncApiResultCb resultCb)
{
    const auto& securityContext = activation->executionContext.securityContext;
    if (activation->authData || !handler_->HasCredentials(securityContext)) {
        next_->Invoke(method, std::move(input), std::move(activation), std::move(resultCb));
        return;
    }
    auto done = [self = shared_from_this(), method, input = std::move(input), activation,
                 resultCb = std::move(resultCb)](AuthnOutcome outcome) mutable {
        self->OnVerdict(std::move(outcome), method, std::move(input), std::move(activation),
                        std::move(resultCb));
    };
    handler_->Authenticate(activation, securityContext, std::move(done));
}

void AsyncAuthnFilter::OnVerdict(AuthnOutcome outcome, const Core::MethodIdentifier& method,
                                 Data::DataValuePtr input, std::shared_ptr<Core::AsyncActivation> activation,
                                 Core::AsyncApiResultCb resultCb)
{
    if (activation->callObserver) {
        activation->callObserver->OnAuthentication(outcome.Succeeded());
    }
    if (!outcome.Succeeded()) {
        resultCb(Core::MethodResult::FromError(std::move(outcome.error)));
        return;
    }
    activation->authData = std::move(outcome.identity);
    next_->Invoke(method, std::move(input), std::move(activation), std::move(resultCb));
}

}  // namespace Lumo::Authn::Filter
