// Lifecycle tickets that must not be accepted, through the authentication filter and the call
// registrar so that the audit records the daemon writes can be checked too.
#include <gtest/gtest.h>

#include "../ApiTestSupport.hpp"
#include "api/authn/AsyncAuthnFilter.hpp"
#include "api/authn/UserPassHandler.hpp"
#include "api/authz/CallRegistrar.hpp"
#include "platform/host/Ticket.hpp"

namespace {

namespace Core = Lumo::Core;
const std::string kRefused =
    "com.orvane.lumo.std.errors.unauthenticated com.orvane.tarn.authn.ticket.invalid [] Invalid lifecycle "
    "ticket";

class TicketLoginTest : public ::testing::Test {
protected:
    // Calls com.orvane.hub.tasks.get with `ticket` as user name and password; the error text.
    std::string Call(const std::string& ticket)
    {
        Core::ExecutionContext context;
        context.securityContext.emplace("userName", Core::SecurityContextWrappedEntry::Plain(ticket));
        context.securityContext.emplace("password", Core::SecurityContextWrappedEntry::Secret(ticket));
        context.applicationContext.emplace("opId", "op-7");
        Core::ActivationHelpers::SetPeerTcpBindingInfo(context, "::1", 50000);
        std::optional<Core::MethodResult> answer;
        chain_->Invoke({"com.orvane.hub.tasks", "get"}, nullptr, Core::AsyncActivation::GetInstance(context),
                       [&answer](Core::MethodResult result) { answer = std::move(result); });
        EXPECT_TRUE(answer.has_value()) << "the handler answers before Invoke returns";
        return answer ? ApiTest::ErrorText(*answer) : "no answer";
    }

    ApiTest::EnvHostRoot root_;
    std::shared_ptr<ApiTest::RecordingProvider> service_ = std::make_shared<ApiTest::RecordingProvider>(true);
    std::shared_ptr<Core::AsyncApiProvider> chain_ = std::make_shared<Lumo::Observer::CallRegistrar>(
        std::make_shared<Lumo::Authn::Filter::AsyncAuthnFilter>(
            std::make_shared<Host::Settings::SettingsApi::Authn::UserPassHandler>(), service_));
};

TEST_F(TicketLoginTest, TicketsNotIssuedForLifecycleAreRefusedAndKept)
{
    root_.WriteFile("/var/run/orvane/escape", "Lifecycle\n");
    const std::string backup = Ticket_Create("Backup");
    const std::string lowerCase = Ticket_Create("lifecycle");  // another case is another service
    const std::vector<std::pair<std::string, std::string>> rows = {
        // ticket, the file that must survive the refusal
        {backup, std::string(kTicketDirectory) + "/" + backup},
        {lowerCase, std::string(kTicketDirectory) + "/" + lowerCase},
        {"../escape", "/var/run/orvane/escape"},  // a path out of the ticket directory
        {"", ""},
    };
    for (const auto& [ticket, kept] : rows) {
        SCOPED_TRACE(ticket);
        EXPECT_EQ(Call(ticket), kRefused);
        EXPECT_TRUE(kept.empty() || root_.Exists(kept));
    }
    EXPECT_EQ(ApiTest::AuditRecords(root_.Dir(), "service.lcticket.use"),
              std::vector<std::string>(rows.size(),
                                       "service.lcticket.use @unknown com.orvane.hub.tasks:get failed "
                                       "ip=::1 opID=op-7 reason=Invalid lifecycle ticket uniqueID=***"));
    EXPECT_TRUE(service_->calls.empty());
}

}  // namespace
