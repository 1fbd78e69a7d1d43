// The records an audit context writes when its call ends, read back from the audit log.
#include <gtest/gtest.h>

#include "../ApiTestSupport.hpp"
#include "api/authz/AuditContext.hpp"

namespace {

using Api::AuditContext;

class AuditContextTest : public ::testing::Test {
protected:
    std::shared_ptr<AuditContext> NewContext(const std::map<std::string, std::string>& entries = {})
    {
        auto context = std::make_shared<AuditContext>(
            Lumo::Core::MethodIdentifier("com.orvane.hub.tasks", "list"),
            [this](AuditContext&, bool success) { observed_.push_back(success); });
        for (const auto& [key, value] : entries) context->SetAuditEntry(key, value);
        return context;
    }

    ApiTest::EnvHostRoot root_;
    std::vector<bool> observed_;
};

TEST_F(AuditContextTest, LoginAndDenialRecordsCarryTheirOwnItemsOrTheCallsUser)
{
    auto failed = NewContext({{"AUTHN_EVENT_KEY", "service.password.use"},
                              {"AUTHN_SUBJECT_KEY", "bob"},
                              {"AUTHN_PARAM_PREFIXip", "127.0.0.1"},
                              {"AUTHN_PARAM_PREFIXreason", "Invalid username or password"},
                              {"AUTHZ_PARAM_PREFIXrule", "not an authentication item"}});
    failed->OnAuthentication(false);
    failed->OnCallEnd(std::nullopt, false);
    auto login = NewContext({{"AUTHN_EVENT_KEY", "service.password.use"}});
    login->OnAuthentication(true);
    login->OnCallEnd("carol", true);
    auto denied = NewContext({{"AUTHZ_PARAM_PREFIXreason", "no entitlement"}});
    denied->OnAccessDenied();
    denied->OnCallEnd("dave", false);
    // No login record when authentication did not run, nor without its event.
    NewContext({{"AUTHN_EVENT_KEY", "service.password.use"}})->OnCallEnd("erin", true);
    auto noEvent = NewContext({{"AUTHN_SUBJECT_KEY", "erin"}});
    noEvent->OnAuthentication(false);
    noEvent->OnCallEnd(std::nullopt, false);

    EXPECT_EQ(
        ApiTest::AuditRecords(root_.Dir()),
        (std::vector<std::string>{"service.password.use bob com.orvane.hub.tasks:list failed ip=127.0.0.1 "
                                  "reason=Invalid username or password",
                                  "service.password.use carol com.orvane.hub.tasks:list ok",
                                  "service.access.denied dave com.orvane.hub.tasks:list failed "
                                  "reason=no entitlement"}));
    EXPECT_EQ(observed_, (std::vector<bool>{false, true, false, true, false}));
}

TEST_F(AuditContextTest, RecordWithoutSubjectBecomesAProductIssue)
{
    auto context = NewContext();
    context->OnAccessDenied();
    context->OnCallEnd(std::nullopt, false);

    EXPECT_EQ(
        ApiTest::AuditRecords(root_.Dir()),
        std::vector<std::string>{
            "product.issue tarn Service audit failed location=Api::AuditContext::WriteRecord reason=One or "
            "more mandatory string arguments to function are empty. "
            "eventId:service.access.denied;subject:;object:com.orvane.hub.tasks:list"});
}

// A task may end on its worker before the call that started it has answered; either way
// round, completing drops the mute and records the task's result.
TEST_F(AuditContextTest, CompletionDropsTheMuteAndRecordsTheResultWhicheverComesFirst)
{
    for (bool callEndsFirst : {true, false}) {
        SCOPED_TRACE(callEndsFirst ? "call ends first" : "task ends first");
        auto context = NewContext({{"hostprefd_mute", "true"}});
        if (callEndsFirst) context->OnCallEnd("frank", true);
        context->Complete(false);
        EXPECT_EQ(context->Has("result"), callEndsFirst);
        if (!callEndsFirst) context->OnCallEnd("frank", true);
        EXPECT_FALSE(context->Has("hostprefd_mute"));
        EXPECT_EQ(context->Get("result"), "false");
        EXPECT_EQ(context->Get("eventID"), "api.call");
    }
    auto empty = NewContext();
    empty->Complete(true);
    EXPECT_TRUE(empty->GetEntries().empty()) << "an empty context stays untouched";
}

}  // namespace
