// Api::CallInfo: what the chain learned about one call: its identifiers, its user and the
// outcome of authentication and authorization. Subclasses decide what a finished call
// leaves behind (see AuditContext).
//
// Shared by the call's activation and whoever finishes the call later (a task); used by one
// thread at a time, no lock.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "api/authz/CallObserver.hpp"
#include "platform/lumo/MethodIdentifier.hpp"

namespace Api {

class CallInfo : public CallObserver, public std::enable_shared_from_this<CallInfo> {
public:
    enum class AuthnOutcome { kNotRun, kSucceeded, kFailed };

    explicit CallInfo(Lumo::Core::MethodIdentifier method) : method_(std::move(method)) {}

    void OnAuthentication(bool success) override
    {
        authn_ = success ? AuthnOutcome::kSucceeded : AuthnOutcome::kFailed;
    }
    void OnAccessDenied() override { accessDenied_ = true; }
    // Records the user, then lets the subclass finish the call.
    void OnCallEnd(std::optional<std::string> user, bool success) override;

    const Lumo::Core::MethodIdentifier& Method() const { return method_; }
    // The authenticated user; nullopt before the call ended or when there was none.
    const std::optional<std::string>& User() const { return user_; }
    AuthnOutcome Authentication() const { return authn_; }
    bool AccessDenied() const { return accessDenied_; }

protected:
    // Called once when the call's final result is known.
    virtual void Finish(bool success) = 0;

private:
    Lumo::Core::MethodIdentifier method_;
    std::optional<std::string> user_;
    AuthnOutcome authn_ = AuthnOutcome::kNotRun;
    bool accessDenied_ = false;
};

}  // namespace Api
