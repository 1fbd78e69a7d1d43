// The require-user authorization filter: who gets through, what a refused caller sees, and
// the access-denied record it leaves.
#include <gtest/gtest.h>

#include "../ApiTestSupport.hpp"
#include "api/authz/CallRegistrar.hpp"
#include "api/authz/RequireUserAuthz.hpp"
#include "support/CollectingLogger.hpp"

namespace {

namespace Core = Lumo::Core;

class RequireUserAuthzTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        config_->requireUser = {"com.orvane.hub.tasks"};
        config_->anonymous = {"com.orvane.lumo.std.introspection.operation"};
    }

    // Calls `service`.get through the registrar and the filter, as `user` when given, and runs
    // the posted work; the final result.
    std::optional<Core::MethodResult> Call(const std::string& service, std::optional<std::string> user = {})
    {
        Core::ExecutionContext context;
        context.applicationContext.emplace("opId", "op-9");
        Core::ActivationHelpers::SetPeerTcpBindingInfo(context, "127.0.0.1", 1234);
        auto activation = Core::AsyncActivation::GetInstance(context);
        if (user) activation->authData = Core::AuthenticationData{*user, {}};
        auto chain = std::make_shared<Lumo::Observer::CallRegistrar>(
            std::make_shared<Lumo::Authz::Filter::RequireUserAuthz>(config_, posted_.Get(), service_,
                                                                    logger_));
        std::optional<Core::MethodResult> answer;
        chain->Invoke({service, "get"}, nullptr, activation, [&answer](Core::MethodResult r) { answer = r; });
        answeredAtOnce_ = answer.has_value();
        posted_.RunAll();
        return answer;
    }

    ApiTest::EnvHostRoot root_;
    std::shared_ptr<Lumo::Authz::AuthzRequireUserConfig> config_ =
        std::make_shared<Lumo::Authz::AuthzRequireUserConfig>();
    std::shared_ptr<ApiTest::RecordingProvider> service_ = std::make_shared<ApiTest::RecordingProvider>(true);
    std::shared_ptr<TestSupport::CollectingLogger> logger_ =
        std::make_shared<TestSupport::CollectingLogger>();
    ApiTest::QueueDispatcher posted_;
    bool answeredAtOnce_ = false;
};

TEST_F(RequireUserAuthzTest, CallWithoutUserIsRefusedOnALaterTurnAndRecorded)
{
    auto answer = Call("com.orvane.hub.tasks");
    ASSERT_TRUE(answer.has_value());
    EXPECT_FALSE(answeredAtOnce_) << "the refusal goes through the dispatcher";
    EXPECT_EQ(ApiTest::ErrorText(*answer),
              "com.orvane.lumo.std.errors.unauthenticated com.orvane.lumo.authz.user.required "
              "[com.orvane.hub.tasks.get] Operation com.orvane.hub.tasks.get requires an authenticated user. "
              "{default: Operation {1} requires an authenticated user.}");
    EXPECT_TRUE(service_->calls.empty());
    EXPECT_EQ(ApiTest::AuditRecords(root_.Dir(), "service.access.denied"),
              std::vector<std::string>{"service.access.denied @unknown com.orvane.hub.tasks:get failed "
                                       "ip=127.0.0.1 opID=op-9 reason=Authenticated user required"});
    ASSERT_EQ(logger_->Lines().size(), 1u);
    EXPECT_NE(logger_->Lines()[0].text.find("com.orvane.hub.tasks.get"), std::string::npos);
}

TEST_F(RequireUserAuthzTest, UsersAndOpenServicesPassAndUnlistedOnesFollowTheDefault)
{
    // service, user, closed by default, passes
    const std::vector<std::tuple<std::string, std::optional<std::string>, bool, bool>> rows = {
        {"com.orvane.hub.tasks", "alice", true, true},
        {"com.orvane.lumo.std.introspection.operation", std::nullopt, true, true},  // an open service
        {"com.orvane.unknown", std::nullopt, true, false},
        {"com.orvane.unknown", std::nullopt, false, true},
        {"com.orvane.hub.tasks", std::nullopt, false, false},  // a listed service stays closed
    };
    for (const auto& [service, user, closedByDefault, passes] : rows) {
        SCOPED_TRACE(service + (closedByDefault ? " closed by default" : " open by default"));
        config_->closedByDefault = closedByDefault;
        const size_t reached = service_->calls.size();
        auto answer = Call(service, user);
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->IsError(), !passes);
        EXPECT_EQ(service_->calls.size(), reached + (passes ? 1 : 0));
    }
    // Only the refused calls leave a record and a log line.
    EXPECT_EQ(ApiTest::AuditRecords(root_.Dir(), "service.access.denied").size(), 2u);
    EXPECT_EQ(logger_->Lines().size(), 2u);
}

}  // namespace
