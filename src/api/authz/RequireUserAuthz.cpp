#include "api/authz/RequireUserAuthz.hpp"

#include "api/authz/AuditContext.hpp"
#include "platform/lumo/ActivationHelpers.hpp"
#include "platform/lumo/ErrorFactory.hpp"

namespace Lumo::Authz::Filter {

RequireUserAuthz::RequireUserAuthz(std::shared_ptr<const AuthzRequireUserConfig> config,
                                   Provider::Dispatcher dispatcher,
                                   std::shared_ptr<Core::AsyncApiProvider> next,
                                   std::shared_ptr<Log::Logger> logger)
    : config_(std::move(config)),
      dispatcher_(std::move(dispatcher)),
      next_(std::move(next)),
      logger_(std::move(logger))
{
}

void RequireUserAuthz::Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr input,
                              std::shared_ptr<Core::AsyncActivation> activation,
                              Core::AsyncApiResultCb resultCb)
{
    if (!config_->IsUserRequired(method.ServiceId()) ||
        Core::ActivationHelpers::ExtractUsername(*activation)) {
        next_->Invoke(method, std::move(input), std::move(activation), std::move(resultCb));
        return;
    }
    Deny(method, *activation, std::move(resultCb));
}

void RequireUserAuthz::Deny(const Core::MethodIdentifier& method, const Core::AsyncActivation& activation,
                            Core::AsyncApiResultCb resultCb)
{
    Log::Write(logger_.get(), Log::kWarning, "Access denied to ", method.ToString(),
               ": no authenticated user");
    if (activation.callObserver) {
        // Without a user the record would have no subject; name the caller as unknown and
        // keep where the call came from.
        auto& observer = *activation.callObserver;
        observer.SetAuditEntry(Api::AuditContext::kAuthzSubjectKey, Api::AuditContext::kUnknownSubject);
        if (activation.executionContext.peer) {
            observer.SetAuditEntry(std::string(Api::AuditContext::kAuthzParamPrefix) + "ip",
                                   activation.executionContext.peer->address);
        }
        observer.SetAuditEntry(std::string(Api::AuditContext::kAuthzParamPrefix) + "opID",
                               Core::ActivationHelpers::GetActivationOpId(activation));
        observer.SetAuditEntry(std::string(Api::AuditContext::kAuthzParamPrefix) + "reason",
                               "Authenticated user required");
        observer.OnAccessDenied();
    }
    Data::ErrorValuePtr error = Data::ErrorFactory::GetError(
        Com::Orvane::Lumo::Std::Errors::Unauthenticated,
        {BaseMessage(kUserRequiredId, kUserRequiredText, {method.ToString()})}, activation.requestLocalizer);
    // The answer leaves on a later turn, as every answer of the chain does.
    dispatcher_([resultCb = std::move(resultCb), error = std::move(error)]() mutable {
        resultCb(Core::MethodResult::FromError(std::move(error)));
    });
}

}  // namespace Lumo::Authz::Filter
