// The records an audit context writes when its call ends, read back from the audit log.
#include <gtest/gtest.h>

#include <cstdlib>

#include "AuditLogReader.hpp"
#include "api/authz/AuditContext.hpp"
#include "support/TempHostRoot.hpp"

namespace {

using Api::AuditContext;
using AuditTest::ReadAuditLog;
using AuditTest::RecordsOf;

class AuditContextTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("HOSTPREFD_ROOT", root_.Dir().c_str(), 1); }
    void TearDown() override { ::unsetenv("HOSTPREFD_ROOT"); }

    std::shared_ptr<AuditContext> NewContext()
    {
        return std::make_shared<AuditContext>(
            Lumo::Core::MethodIdentifier("com.orvane.hub.tasks", "list"),
            [this](AuditContext&, bool success) { observed_.push_back(success); });
    }

    TestSupport::TempHostRoot root_;
    std::vector<bool> observed_;
};

TEST_F(AuditContextTest, LoginAndDenialRecordsCarryTheirOwnItemsOrTheCallsUser)
{
    auto failed = NewContext();
    failed->SetAuditEntry("AUTHN_EVENT_KEY", "service.password.use");
    failed->SetAuditEntry("AUTHN_SUBJECT_KEY", "bob");
    failed->SetAuditEntry("AUTHN_PARAM_PREFIXip", "127.0.0.1");
    failed->SetAuditEntry("AUTHN_PARAM_PREFIXreason", "Invalid username or password");
    failed->SetAuditEntry("AUTHZ_PARAM_PREFIXrule", "not an authentication item");
    failed->OnAuthentication(false);
    failed->OnCallEnd(std::nullopt, false);

    auto login = NewContext();
    login->SetAuditEntry("AUTHN_EVENT_KEY", "service.password.use");
    login->OnAuthentication(true);
    login->OnCallEnd("carol", true);

    auto denied = NewContext();
    denied->SetAuditEntry("AUTHZ_PARAM_PREFIXreason", "no entitlement");
    denied->OnAccessDenied();
    denied->OnCallEnd("dave", false);

    // No login record when authentication did not run, nor without its event.
    auto notRun = NewContext();
    notRun->SetAuditEntry("AUTHN_EVENT_KEY", "service.password.use");
    notRun->OnCallEnd("erin", true);
    auto noEvent = NewContext();
    noEvent->SetAuditEntry("AUTHN_SUBJECT_KEY", "erin");
    noEvent->OnAuthentication(false);
    noEvent->OnCallEnd(std::nullopt, false);

    auto records = ReadAuditLog(root_.Dir());
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].event, "service.password.use");
    EXPECT_EQ(records[0].subject, "bob");
    EXPECT_EQ(records[0].object, "com.orvane.hub.tasks:list");
    EXPECT_FALSE(records[0].success);
    EXPECT_EQ(records[0].items, (std::map<std::string, std::string>{
                                    {"ip", "127.0.0.1"}, {"reason", "Invalid username or password"}}));
    EXPECT_EQ(records[1].subject, "carol");
    EXPECT_TRUE(records[1].success);
    EXPECT_EQ(records[2].event, "service.access.denied");
    EXPECT_EQ(records[2].subject, "dave");
    EXPECT_FALSE(records[2].success);
    EXPECT_EQ(records[2].items["reason"], "no entitlement");
    EXPECT_EQ(observed_, (std::vector<bool>{false, true, false, true, false}));
}

TEST_F(AuditContextTest, RecordWithoutSubjectBecomesAProductIssue)
{
    auto context = NewContext();
    context->OnAccessDenied();
    context->OnCallEnd(std::nullopt, false);

    auto records = ReadAuditLog(root_.Dir());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].event, "product.issue");
    EXPECT_EQ(records[0].subject, "tarn");
    EXPECT_EQ(records[0].object, "Service audit");
    EXPECT_EQ(records[0].items["reason"],
              "One or more mandatory string arguments to function are empty. "
              "eventId:service.access.denied;subject:;object:com.orvane.hub.tasks:list");
    EXPECT_FALSE(records[0].items["location"].empty());
    EXPECT_TRUE(RecordsOf(records, "service.access.denied").empty());
}

TEST_F(AuditContextTest, CompletingDropsTheMuteAndRecordsTheResult)
{
    auto context = NewContext();
    context->SetAuditEntry("hostprefd_mute", "true");
    context->OnCallEnd("frank", true);
    context->Complete(false);
    EXPECT_FALSE(context->Has("hostprefd_mute"));
    EXPECT_EQ(context->Get("result"), "false");

    auto empty = NewContext();
    empty->Complete(true);
    EXPECT_TRUE(empty->GetEntries().empty()) << "an empty context stays untouched";
}

// A task may end on its worker before the call that started it has answered.
TEST_F(AuditContextTest, ACompletionBeforeTheCallEndsWaitsForIt)
{
    auto context = NewContext();
    context->SetAuditEntry("hostprefd_mute", "true");
    context->Complete(false);
    EXPECT_FALSE(context->Has("result"));
    context->OnCallEnd("frank", true);
    EXPECT_FALSE(context->Has("hostprefd_mute"));
    EXPECT_EQ(context->Get("result"), "false");
    EXPECT_EQ(context->Get("eventID"), "api.call");
}

TEST(AuditContextDeathTest, EmittingWithoutAnEventEndsTheProcess)
{
    Api::AuditContext context(Lumo::Core::MethodIdentifier("s", "o"), nullptr);
    context.SetAuditEntry("subject", "x");
    EXPECT_DEATH(context.Complete(true), "VERIFY .*AuditContext.cpp");
}

}  // namespace
