#include "api/authz/AsyncAuthzFilter.hpp"

#include "api/authz/AuditContext.hpp"
#include "api/authz/RequireUserAuthz.hpp"
#include "platform/lumo/ErrorFactory.hpp"

namespace Lumo::Authz::Filter {

AsyncAuthzFilter::AsyncAuthzFilter(std::shared_ptr<const AuthzInfo> info,
                                   std::shared_ptr<const EntitlementChecker> checker,
                                   Provider::Dispatcher dispatcher,
                                   std::shared_ptr<Core::AsyncApiProvider> next,
                                   std::shared_ptr<Log::Logger> logger)
    : info_(std::move(info)),
      checker_(std::move(checker)),
      dispatcher_(std::move(dispatcher)),
      next_(std::move(next)),
      logger_(std::move(logger))
{
}

void AsyncAuthzFilter::Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr input,
                              std::shared_ptr<Core::AsyncActivation> activation,
                              Core::AsyncApiResultCb resultCb)
{
    if (info_->anonymous.contains(method.ServiceId())) {
        next_->Invoke(method, std::move(input), std::move(activation), std::move(resultCb));
        return;
    }
    if (!activation->authData) {
        Deny(Com::Orvane::Lumo::Std::Errors::Unauthenticated, "no identity", method, *activation,
             std::move(resultCb));
        return;
    }
    auto required = info_->Required(method);
    if (!required) {
        Deny(Com::Orvane::Lumo::Std::Errors::Unauthorized, "no rule", method, *activation,
             std::move(resultCb));
        return;
    }
    std::string missing;
    if (!checker_->Check(*required, activation->authData->entitlements, missing)) {
        Deny(Com::Orvane::Lumo::Std::Errors::Unauthorized, "missing entitlement " + missing, method,
             *activation, std::move(resultCb));
        return;
    }
    next_->Invoke(method, std::move(input), std::move(activation), std::move(resultCb));
}

void AsyncAuthzFilter::Deny(const Com::Orvane::Lumo::Std::Errors::StandardError& kind,
                            const std::string& reason, const Core::MethodIdentifier& method,
                            const Core::AsyncActivation& activation, Core::AsyncApiResultCb resultCb)
{
    Log::Write(logger_.get(), Log::kWarning, "Access denied to ", method.ToString(), ": ", reason);
    const std::string reasonKey = std::string(Api::AuditContext::kAuthzParamPrefix) + "reason";
    if (activation.callObserver) {
        activation.callObserver->SetAuditEntry(reasonKey, reason);
        activation.callObserver->OnAccessDenied();
    } else {
        // A chain without call audit (entitlement hosts) still records every refusal.
        Api::AuditContext record(method, nullptr);
        record.SetAuditEntry(reasonKey, reason);
        std::string user =
            activation.authData ? activation.authData->userName : std::string(Api::AuditContext::kUnknownSubject);
        record.WriteRecord(Api::AuditContext::kAccessDeniedEvent, user, record.CallObject(),
                           Api::AuditContext::kAuthzParamPrefix, false);
    }
    const bool anonymous = !activation.authData;
    BaseMessage message = anonymous ? BaseMessage(RequireUserAuthz::kUserRequiredId,
                                                  RequireUserAuthz::kUserRequiredText, {method.ToString()})
                                    : BaseMessage(kNotEntitledId, kNotEntitledText, {method.ToString()});
    Data::ErrorValuePtr error = Data::ErrorFactory::GetError(kind, {message}, activation.requestLocalizer);
    dispatcher_([resultCb = std::move(resultCb), error = std::move(error)]() mutable {
        resultCb(Core::MethodResult::FromError(std::move(error)));
    });
}

}  // namespace Lumo::Authz::Filter
