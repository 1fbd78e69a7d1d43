#include "api/authn/UserPassHandler.hpp"

#include <cstring>

#include "api/authn/AuthPam.hpp"
#include "api/authz/AuditContext.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/host/Ticket.hpp"
#include "platform/lumo/ActivationHelpers.hpp"
#include "platform/lumo/ErrorFactory.hpp"
#include "platform/lumo/UserPassSecurityContextReader.hpp"

namespace Host::Settings::SettingsApi::Authn {

namespace {

using Lumo::Core::UserPassSecurityContextReader;

constexpr const char* kBadPasswordId = "com.orvane.tarn.authn.userpass.invalid";
constexpr const char* kBadTicketId = "com.orvane.tarn.authn.ticket.invalid";

// Writes one audit entry when the call is observed.
void Audit(const Lumo::Core::AsyncActivation& activation, const std::string& key, std::string value)
{
    if (activation.callObserver) {
        activation.callObserver->SetAuditEntry(key, std::move(value));
    }
}

std::string Param(const char* name) { return std::string(Api::AuditContext::kAuthnParamPrefix) + name; }

// The client's address: the security context's binding entry, else the transport's peer.
std::string PeerAddress(const Lumo::Core::AsyncActivation& activation,
                        const Lumo::Core::ExecutionContext::SecurityContext& securityContext)
{
    auto binding = securityContext.find(UserPassHandler::kBindingInfoKey);
    if (binding != securityContext.end()) {
        return binding->second.Text();
    }
    const auto& peer = activation.executionContext.peer;
    return peer ? peer->address : std::string();
}

}  // namespace

bool UserPassHandler::HasCredentials(
    const Lumo::Core::ExecutionContext::SecurityContext& securityContext) const
{
    return UserPassSecurityContextReader::GetUserName(securityContext) ||
           UserPassSecurityContextReader::GetPassword(securityContext);
}

void UserPassHandler::Authenticate(std::shared_ptr<Lumo::Core::AsyncActivation> activation,
                                   const Lumo::Core::ExecutionContext::SecurityContext& securityContext,
                                   Completion done)
{
    const std::string user = UserPassSecurityContextReader::GetUserName(securityContext).value_or("");
    const std::string password = UserPassSecurityContextReader::GetPassword(securityContext).value_or("");
    const auto& call = *activation;
    Audit(call, Param("ip"), PeerAddress(call, securityContext));
    Audit(call, Param("opID"), Lumo::Core::ActivationHelpers::GetActivationOpId(call));
    Audit(call, Param("uniqueID"), "***");

    const bool ticket = user == password;
    Audit(call, Api::AuditContext::kAuthnEventKey, ticket ? kTicketEvent : kPasswordEvent);
    Audit(call, Api::AuditContext::kAuthnSubjectKey, ticket ? Api::AuditContext::kUnknownSubject : user);
    const bool accepted = ticket ? RedeemTicket(user) : CheckPassword(user, password);
    if (accepted) {
        done(Lumo::Authn::AuthnOutcome::Success(Lumo::Core::AuthenticationData{user, {}}));
        return;
    }
    const char* reason = ticket ? kBadTicket : kBadPassword;
    Audit(call, Param("reason"), reason);
    Lumo::BaseMessage message(ticket ? kBadTicketId : kBadPasswordId, reason);
    // Rendered for the default "en_US" / "Etc/UTC", whatever locale the call asked for.
    done(Lumo::Authn::AuthnOutcome::Failure(Lumo::Data::ErrorFactory::GetError(
        Com::Orvane::Lumo::Std::Errors::Unauthenticated, {message}, Lumo::L10n::RequestLocalizer())));
}

bool UserPassHandler::RedeemTicket(const std::string& ticket)
{
    char service[128] = {};
    if (ticket.find('\0') != std::string::npos ||
        !Ticket_LookupServiceSpecific(ticket.c_str(), service, sizeof(service))) {
        CSLogger::Log(0, "Ticket authentication failed for ticket: %s", ticket.c_str());
        return false;
    }
    if (std::strcmp(service, kTicketService) != 0) {
        CSLogger::Log(0, "Ticket's service name invalid, ticket: %s, service: %s", ticket.c_str(), service);
        return false;
    }
    // A ticket is good for one call.
    Ticket_Delete(ticket.c_str());
    return true;
}

bool UserPassHandler::CheckPassword(const std::string& user, const std::string& password)
{
    // PAM sees C strings: a NUL inside would silently cut the user name or the password.
    bool accepted = user.find('\0') == std::string::npos && password.find('\0') == std::string::npos &&
                    Auth_AuthenticateUserPAM(user.c_str(), password.c_str(), kPamService);
    if (!accepted) {
        CSLogger::Log(0, "UserPass authentication failed for user: %s", user.c_str());
    }
    return accepted;
}

}  // namespace Host::Settings::SettingsApi::Authn
