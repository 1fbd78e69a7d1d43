// Host::Settings::SettingsApi::Authn::UserPassHandler: the daemon's authentication: a
// one-time lifecycle ticket given as both user name and password, or a user name and
// password checked through PAM. Writes the authentication entries of the call's audit
// context.
//
// Stateless (tickets and PAM live in the host); shared by the filter, called on the
// endpoint thread, answers before returning.
#pragma once

#include <string>

#include "api/authn/AuthnHandler.hpp"

namespace Host::Settings::SettingsApi::Authn {

class UserPassHandler : public Lumo::Authn::AuthnHandler {
public:
    static constexpr const char* kPamService = "hostprefd";
    static constexpr const char* kTicketService = "Lifecycle";
    static constexpr const char* kPasswordEvent = "service.password.use";
    static constexpr const char* kTicketEvent = "service.lcticket.use";
    static constexpr const char* kBadPassword = "Invalid username or password";
    static constexpr const char* kBadTicket = "Invalid lifecycle ticket";
    // The security-context entry that may carry the client's address.
    static constexpr const char* kBindingInfoKey = "userBindingInfoKey";

    void Authenticate(std::shared_ptr<Lumo::Core::AsyncActivation> activation,
                      const Lumo::Core::ExecutionContext::SecurityContext& securityContext,
                      Completion done) override;

    // True when the context names a user or a password (even an empty one).
    bool HasCredentials(const Lumo::Core::ExecutionContext::SecurityContext& securityContext) const override;

private:
    // Redeems `ticket` when it is bound to the lifecycle service.
    static bool RedeemTicket(const std::string& ticket);
    // Checks a password login through PAM.
    static bool CheckPassword(const std::string& user, const std::string& password);
};

}  // namespace Host::Settings::SettingsApi::Authn
