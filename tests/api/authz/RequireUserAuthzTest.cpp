// The require-user authorization filter: who gets through, what a refused caller sees, and
// the access-denied record it leaves.
#include <gtest/gtest.h>

#include <cstdlib>

#include "AuditLogReader.hpp"
#include "ChainDoubles.hpp"
#include "api/authz/CallRegistrar.hpp"
#include "api/authz/RequireUserAuthz.hpp"
#include "platform/lumo/ActivationHelpers.hpp"
#include "platform/lumo/ListValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/StandardError.hpp"
#include "support/CollectingLogger.hpp"
#include "support/TempHostRoot.hpp"

namespace {

using AuditTest::ReadAuditLog;
using AuditTest::RecordsOf;
namespace Core = Lumo::Core;

class RequireUserAuthzTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("HOSTPREFD_ROOT", root_.Dir().c_str(), 1);
        config_->requireUser = {"com.orvane.hub.tasks"};
        config_->anonymous = {"com.orvane.lumo.std.introspection.operation"};
    }
    void TearDown() override { ::unsetenv("HOSTPREFD_ROOT"); }

    std::shared_ptr<Core::AsyncApiProvider> Chain()
    {
        auto authz = std::make_shared<Lumo::Authz::Filter::RequireUserAuthz>(config_, posted_.Dispatcher(),
                                                                             service_, logger_);
        return std::make_shared<Lumo::Observer::CallRegistrar>(authz);
    }

    // Calls `service`.get, as `user` when given, and runs the posted work; the final result.
    std::optional<Core::MethodResult> Call(const std::string& service, std::optional<std::string> user = {})
    {
        Core::ExecutionContext context;
        context.applicationContext.emplace("opId", "op-9");
        Core::ActivationHelpers::SetPeerTcpBindingInfo(context, "127.0.0.1", 1234);
        auto activation = Core::AsyncActivation::GetInstance(context);
        if (user) {
            activation->authData = Core::AuthenticationData{*user, {}};
        }
        std::optional<Core::MethodResult> answer;
        Chain()->Invoke({service, "get"}, nullptr, activation,
                        [&answer](Core::MethodResult r) { answer = r; });
        answeredAtOnce_ = answer.has_value();
        posted_.RunAll();
        return answer;
    }

    TestSupport::TempHostRoot root_;
    std::shared_ptr<Lumo::Authz::AuthzRequireUserConfig> config_ =
        std::make_shared<Lumo::Authz::AuthzRequireUserConfig>();
    std::shared_ptr<ChainTest::RecordingService> service_ = std::make_shared<ChainTest::RecordingService>();
    std::shared_ptr<TestSupport::CollectingLogger> logger_ =
        std::make_shared<TestSupport::CollectingLogger>();
    ChainTest::PostedWork posted_;
    bool answeredAtOnce_ = false;
};

TEST_F(RequireUserAuthzTest, CallWithoutUserIsRefusedOnALaterTurnAndRecorded)
{
    auto answer = Call("com.orvane.hub.tasks");
    ASSERT_TRUE(answer.has_value());
    EXPECT_FALSE(answeredAtOnce_) << "the refusal goes through the dispatcher";
    ASSERT_TRUE(answer->IsError());
    EXPECT_TRUE(Com::Orvane::Lumo::Std::Errors::Unauthenticated.Matches(*answer->Error()));
    auto list = Lumo::Data::ValueCast<Lumo::Data::ListValue>(answer->Error()->GetField("messages"));
    ASSERT_TRUE(list && list->Size() == 1);
    auto message = Com::Orvane::Lumo::Std::LocalizableMessage::FromValue(*list->Items()[0]);
    EXPECT_EQ(message->id, "com.orvane.lumo.authz.user.required");
    EXPECT_EQ(message->localized, "Operation com.orvane.hub.tasks.get requires an authenticated user.");
    EXPECT_TRUE(service_->methods.empty());

    auto denied = RecordsOf(ReadAuditLog(root_.Dir()), "service.access.denied");
    ASSERT_EQ(denied.size(), 1u);
    EXPECT_EQ(denied[0].subject, "@unknown");
    EXPECT_EQ(denied[0].object, "com.orvane.hub.tasks:get");
    EXPECT_FALSE(denied[0].success);
    EXPECT_EQ(denied[0].items["ip"], "127.0.0.1");
    EXPECT_EQ(denied[0].items["opID"], "op-9");
    ASSERT_EQ(logger_->Lines().size(), 1u);
    EXPECT_NE(logger_->Lines()[0].text.find("com.orvane.hub.tasks.get"), std::string::npos);
}

TEST_F(RequireUserAuthzTest, UsersAndOpenServicesPassAndUnlistedOnesFollowTheDefault)
{
    struct Row {
        const char* name;
        std::string service;
        std::optional<std::string> user;
        bool closedByDefault;
        bool passes;
    };
    const std::vector<Row> rows = {
        {"listed, with user", "com.orvane.hub.tasks", "alice", true, true},
        {"open service", "com.orvane.lumo.std.introspection.operation", std::nullopt, true, true},
        {"unlisted, closed by default", "com.orvane.unknown", std::nullopt, true, false},
        {"unlisted, open by default", "com.orvane.unknown", std::nullopt, false, true},
        {"listed stays closed", "com.orvane.hub.tasks", std::nullopt, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        config_->closedByDefault = row.closedByDefault;
        size_t reached = service_->methods.size();
        auto answer = Call(row.service, row.user);
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->IsError(), !row.passes);
        EXPECT_EQ(service_->methods.size(), reached + (row.passes ? 1 : 0));
    }
    // Only the refused calls leave a record and a log line.
    EXPECT_EQ(RecordsOf(ReadAuditLog(root_.Dir()), "service.access.denied").size(), 2u);
    EXPECT_EQ(logger_->Lines().size(), 2u);
}

}  // namespace
