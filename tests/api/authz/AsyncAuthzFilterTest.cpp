// Authorization by entitlement: which rule applies, and what a caller without the right
// entitlements or without any identity gets back.
#include <gtest/gtest.h>

#include <cstdlib>

#include "AuditLogReader.hpp"
#include "ChainDoubles.hpp"
#include "api/authz/AsyncAuthzFilter.hpp"
#include "api/authz/AuditContext.hpp"
#include "support/TempHostRoot.hpp"

namespace {

namespace Core = Lumo::Core;
using Com::Orvane::Lumo::Std::Errors::Unauthenticated;
using Com::Orvane::Lumo::Std::Errors::Unauthorized;

class AsyncAuthzFilterTest : public ::testing::Test {
protected:
    AsyncAuthzFilterTest()
    {
        ::setenv("HOSTPREFD_ROOT", root_.Dir().c_str(), 1);
        auto info = std::make_shared<Lumo::Authz::AuthzInfo>();
        info->rules["com.orvane.tarn.software"] = {"software.admin"};
        info->rules["com.orvane.tarn.software.get"] = {"software.read"};
        info->rules["com.orvane.hub.tasks"] = {"tasks.read", "tasks.cancel"};
        info->anonymous = {"com.orvane.lumo.std.metadata"};
        filter_ = std::make_shared<Lumo::Authz::Filter::AsyncAuthzFilter>(
            info, std::make_shared<Lumo::Authz::EntitlementChecker>(nullptr), posted_.Dispatcher(), service_,
            nullptr);
    }
    ~AsyncAuthzFilterTest() override { ::unsetenv("HOSTPREFD_ROOT"); }

    // The result of `service`.`operation` for a caller with `entitlements` (nullopt: no identity).
    Core::MethodResult Call(const std::string& service, const std::string& operation,
                            std::optional<std::set<std::string, std::less<>>> entitlements,
                            std::shared_ptr<Api::AuditContext> audit = nullptr)
    {
        auto activation = Core::AsyncActivation::GetInstance({});
        if (entitlements) {
            activation->authData = Core::AuthenticationData{"svc-agent", *entitlements};
        }
        activation->callObserver = audit;
        std::optional<Core::MethodResult> answer;
        filter_->Invoke({service, operation}, nullptr, activation,
                        [&answer](Core::MethodResult r) { answer = r; });
        posted_.RunAll();
        EXPECT_TRUE(answer.has_value());
        return answer.value_or(Core::MethodResult::GetErrorInstance());
    }

    TestSupport::TempHostRoot root_;
    std::shared_ptr<ChainTest::RecordingService> service_ = std::make_shared<ChainTest::RecordingService>();
    ChainTest::PostedWork posted_;
    std::shared_ptr<Lumo::Authz::Filter::AsyncAuthzFilter> filter_;
};

TEST_F(AsyncAuthzFilterTest, OperationRuleWinsOverItsServiceRule)
{
    EXPECT_FALSE(Call("com.orvane.tarn.software", "get", {{"software.read"}}).IsError());
    auto set = Call("com.orvane.tarn.software", "set", {{"software.read"}});
    ASSERT_TRUE(set.IsError());
    EXPECT_TRUE(Unauthorized.Matches(*set.Error()));
    EXPECT_FALSE(Call("com.orvane.tarn.software", "set", {{"software.admin"}}).IsError());
    EXPECT_EQ(service_->methods,
              (std::vector<std::string>{"com.orvane.tarn.software.get", "com.orvane.tarn.software.set"}));
}

TEST_F(AsyncAuthzFilterTest, EveryRequiredEntitlementIsNeeded)
{
    EXPECT_TRUE(Call("com.orvane.hub.tasks", "cancel", {{"tasks.read"}}).IsError());
    EXPECT_FALSE(Call("com.orvane.hub.tasks", "cancel", {{"tasks.read", "tasks.cancel", "other"}}).IsError());
    EXPECT_EQ(service_->methods.size(), 1u);
}

TEST_F(AsyncAuthzFilterTest, UnruledOperationsAreClosedAndOpenServicesNeedNoIdentity)
{
    auto unruled = Call("com.orvane.tarn.other", "get", {{"software.admin", "tasks.read"}});
    ASSERT_TRUE(unruled.IsError());
    EXPECT_TRUE(Unauthorized.Matches(*unruled.Error()));

    auto nobody = Call("com.orvane.hub.tasks", "get", std::nullopt);
    ASSERT_TRUE(nobody.IsError());
    EXPECT_TRUE(Unauthenticated.Matches(*nobody.Error()));

    EXPECT_FALSE(Call("com.orvane.lumo.std.metadata", "get", std::nullopt).IsError());
    EXPECT_EQ(service_->methods, std::vector<std::string>{"com.orvane.lumo.std.metadata.get"});
}

TEST_F(AsyncAuthzFilterTest, RefusalIsToldToTheCallsObserver)
{
    auto audit = std::make_shared<Api::AuditContext>(Core::MethodIdentifier("com.orvane.hub.tasks", "cancel"),
                                                     nullptr);
    Call("com.orvane.hub.tasks", "cancel", {{"tasks.read"}}, audit);
    EXPECT_TRUE(audit->AccessDenied());
    EXPECT_EQ(audit->Get("AUTHZ_PARAM_PREFIXreason"), "missing entitlement tasks.cancel");
    EXPECT_TRUE(AuditTest::ReadAuditLog(root_.Dir()).empty()) << "the observer writes the record, not the filter";
}

// Without call audit in the chain the filter records the refusal itself.
TEST_F(AsyncAuthzFilterTest, RefusalWithoutObserverIsRecordedByTheFilter)
{
    Call("com.orvane.hub.tasks", "cancel", {{"tasks.read"}});
    Call("com.orvane.hub.tasks", "get", {{"tasks.read", "tasks.cancel"}});
    auto denied = AuditTest::RecordsOf(AuditTest::ReadAuditLog(root_.Dir()), "service.access.denied");
    ASSERT_EQ(denied.size(), 1u);
    EXPECT_EQ(denied[0].subject, "svc-agent");
    EXPECT_EQ(denied[0].object, "com.orvane.hub.tasks:cancel");
    EXPECT_EQ(denied[0].items["reason"], "missing entitlement tasks.cancel");
}

}  // namespace
