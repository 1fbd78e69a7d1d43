// One-time lifecycle tickets and the authentication filter, through the call registrar so
// that the audit records the daemon writes can be checked too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "../authz/AuditLogReader.hpp"
#include "../authz/ChainDoubles.hpp"
#include "api/authn/AsyncAuthnFilter.hpp"
#include "api/authn/UserPassHandler.hpp"
#include "api/authz/AuditContext.hpp"
#include "api/authz/CallRegistrar.hpp"
#include "platform/host/Ticket.hpp"
#include "platform/lumo/ActivationHelpers.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/StandardError.hpp"
#include "support/TempHostRoot.hpp"

namespace {

using AuditTest::ReadAuditLog;
using AuditTest::RecordsOf;
using Host::Settings::SettingsApi::Authn::UserPassHandler;
namespace Core = Lumo::Core;

std::string MessageText(const Core::MethodResult& result)
{
    auto list = Lumo::Data::ValueCast<Lumo::Data::ListValue>(result.Error()->GetField("messages"));
    if (!list || list->Size() != 1) {
        return "<not one message>";
    }
    return Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*list->Items()[0])->localized;
}

class TicketLoginTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("HOSTPREFD_ROOT", root_.Dir().c_str(), 1); }
    void TearDown() override { ::unsetenv("HOSTPREFD_ROOT"); }

    // Calls com.orvane.hub.tasks.get with the given credentials (nullopt: entry absent).
    Core::MethodResult Call(std::optional<std::string> user, std::optional<std::string> password)
    {
        Core::ExecutionContext context;
        if (user) {
            context.securityContext.emplace("userName", Core::SecurityContextWrappedEntry::Plain(*user));
        }
        if (password) {
            context.securityContext.emplace("password", Core::SecurityContextWrappedEntry::Secret(*password));
        }
        context.applicationContext.emplace("opId", "op-7");
        Core::ActivationHelpers::SetPeerTcpBindingInfo(context, "::1", 50000);
        std::optional<Core::MethodResult> answer;
        chain_->Invoke({"com.orvane.hub.tasks", "get"}, nullptr, Core::AsyncActivation::GetInstance(context),
                       [&answer](Core::MethodResult result) { answer = std::move(result); });
        EXPECT_TRUE(answer.has_value()) << "the handler answers before Invoke returns";
        return answer.value_or(Core::MethodResult::GetErrorInstance());
    }

    TestSupport::TempHostRoot root_;
    std::shared_ptr<ChainTest::RecordingService> service_ = std::make_shared<ChainTest::RecordingService>();
    std::shared_ptr<Core::AsyncApiProvider> chain_ = std::make_shared<Lumo::Observer::CallRegistrar>(
        std::make_shared<Lumo::Authn::Filter::AsyncAuthnFilter>(std::make_shared<UserPassHandler>(),
                                                                service_));
};

TEST_F(TicketLoginTest, LifecycleTicketWorksOnceThenIsRefused)
{
    std::string ticket = Ticket_Create("Lifecycle");
    ASSERT_FALSE(ticket.empty());

    Core::MethodResult first = Call(ticket, ticket);
    ASSERT_FALSE(first.IsError());
    EXPECT_EQ(service_->users, (std::vector<std::optional<std::string>>{ticket}));
    EXPECT_FALSE(root_.Exists(std::string(kTicketDirectory) + "/" + ticket));

    Core::MethodResult second = Call(ticket, ticket);
    ASSERT_TRUE(second.IsError());
    EXPECT_TRUE(Com::Orvane::Lumo::Std::Errors::Unauthenticated.Matches(*second.Error()));
    EXPECT_EQ(MessageText(second), "Invalid lifecycle ticket");
    EXPECT_EQ(service_->users.size(), 1u) << "a refused call never reaches the service";

    auto records = RecordsOf(ReadAuditLog(root_.Dir()), "service.lcticket.use");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(records[0].success);
    EXPECT_EQ(records[0].subject, "@unknown");
    EXPECT_EQ(records[0].object, "com.orvane.hub.tasks:get");
    EXPECT_EQ(records[0].items.count("reason"), 0u);
    EXPECT_FALSE(records[1].success);
    EXPECT_EQ(records[1].items["reason"], "Invalid lifecycle ticket");
    EXPECT_EQ(records[1].items["ip"], "::1");
    EXPECT_EQ(records[1].items["opID"], "op-7");
    EXPECT_EQ(records[1].items["uniqueID"], "***");
}

TEST_F(TicketLoginTest, TicketsNotIssuedForLifecycleAreRefusedAndKept)
{
    root_.WriteFile("/var/run/orvane/escape", "Lifecycle\n");
    struct Row {
        const char* name;
        std::string ticket;
        std::string keptFile;  // must survive the refusal
    };
    std::string backup = Ticket_Create("Backup");
    std::string lowerCase = Ticket_Create("lifecycle");  // another case is another service
    const std::vector<Row> rows = {
        {"another service", backup, std::string(kTicketDirectory) + "/" + backup},
        {"name in another case", lowerCase, std::string(kTicketDirectory) + "/" + lowerCase},
        {"path out of the ticket directory", "../escape", "/var/run/orvane/escape"},
        {"empty credentials", "", ""},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.name);
        Core::MethodResult result = Call(row.ticket, row.ticket);
        ASSERT_TRUE(result.IsError());
        EXPECT_EQ(MessageText(result), "Invalid lifecycle ticket");
        EXPECT_TRUE(row.keptFile.empty() || root_.Exists(row.keptFile));
        auto records = RecordsOf(ReadAuditLog(root_.Dir()), "service.lcticket.use");
        ASSERT_EQ(records.size(), i + 1);
        EXPECT_FALSE(records.back().success);
    }
    EXPECT_TRUE(service_->users.empty());
}

// A handler that only counts how often it is asked and accepts everyone as "bob".
class CountingHandler : public Lumo::Authn::AuthnHandler {
public:
    void Authenticate(std::shared_ptr<Core::AsyncActivation>, const Core::ExecutionContext::SecurityContext&,
                      Completion done) override
    {
        ++asked;
        done(Lumo::Authn::AuthnOutcome::Success({"bob", {}}));
    }
    bool HasCredentials(const Core::ExecutionContext::SecurityContext&) const override { return true; }
    int asked = 0;
};

TEST(AsyncAuthnFilterTest, OnlyTheFirstSuccessfulHandlerCounts)
{
    auto service = std::make_shared<ChainTest::RecordingService>();
    auto inner = std::make_shared<CountingHandler>();
    auto outer = std::make_shared<CountingHandler>();
    auto chain = std::make_shared<Lumo::Authn::Filter::AsyncAuthnFilter>(
        outer, std::make_shared<Lumo::Authn::Filter::AsyncAuthnFilter>(inner, service));

    auto activation = Core::AsyncActivation::GetInstance({});
    chain->Invoke({"s", "o"}, nullptr, activation, [](Core::MethodResult) {});
    EXPECT_EQ(outer->asked, 1);
    EXPECT_EQ(inner->asked, 0);
    EXPECT_EQ(service->users, (std::vector<std::optional<std::string>>{"bob"}));
}

}  // namespace
