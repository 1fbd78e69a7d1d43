// Authorization by entitlement: which rule applies, what a caller without the right
// entitlements or without any identity gets back, and the record of each refusal (the filter
// writes it itself, as no call audit observes calls on the hosts that use it).
#include <gtest/gtest.h>

#include "../ApiTestSupport.hpp"
#include "api/authz/AsyncAuthzFilter.hpp"

namespace {

namespace Core = Lumo::Core;
using Entitlements = std::set<std::string, std::less<>>;

class AsyncAuthzFilterTest : public ::testing::Test {
protected:
    AsyncAuthzFilterTest()
    {
        auto info = std::make_shared<Lumo::Authz::AuthzInfo>();
        info->rules["com.orvane.tarn.software"] = {"software.admin"};
        info->rules["com.orvane.tarn.software.get"] = {"software.read"};
        info->rules["com.orvane.hub.tasks"] = {"tasks.read", "tasks.cancel"};
        info->anonymous = {"com.orvane.lumo.std.metadata"};
        filter_ = std::make_shared<Lumo::Authz::Filter::AsyncAuthzFilter>(
            info, std::make_shared<Lumo::Authz::EntitlementChecker>(nullptr), posted_.Get(), service_,
            nullptr);
    }

    // The error name of `service`.`operation` for a caller with `entitlements` (nullopt: no
    // identity); "" when it passed.
    std::string Call(const std::string& service, const std::string& operation,
                     std::optional<Entitlements> entitlements)
    {
        auto activation = Core::AsyncActivation::GetInstance({});
        if (entitlements) activation->authData = Core::AuthenticationData{"svc-agent", *entitlements};
        std::optional<Core::MethodResult> answer;
        filter_->Invoke({service, operation}, nullptr, activation,
                        [&answer](Core::MethodResult r) { answer = r; });
        posted_.RunAll();
        EXPECT_TRUE(answer.has_value());
        return !answer ? "no answer" : answer->IsError() ? answer->Error()->Name() : "";
    }

    ApiTest::EnvHostRoot root_;
    std::shared_ptr<ApiTest::RecordingProvider> service_ = std::make_shared<ApiTest::RecordingProvider>(true);
    ApiTest::QueueDispatcher posted_;
    std::shared_ptr<Lumo::Authz::Filter::AsyncAuthzFilter> filter_;
};

TEST_F(AsyncAuthzFilterTest, TheMostSpecificRuleDecidesAndEveryEntitlementInItIsNeeded)
{
    const std::string unauthorized = "com.orvane.lumo.std.errors.unauthorized";
    struct Row {
        std::string service, operation;
        std::optional<Entitlements> entitlements;
        std::string error;
    };
    const std::vector<Row> rows = {
        // The operation's rule wins over its service's.
        {"com.orvane.tarn.software", "get", {{"software.read"}}, ""},
        {"com.orvane.tarn.software", "set", {{"software.read"}}, unauthorized},
        {"com.orvane.tarn.software", "set", {{"software.admin"}}, ""},
        {"com.orvane.hub.tasks", "cancel", {{"tasks.read"}}, unauthorized},
        {"com.orvane.hub.tasks", "cancel", {{"tasks.read", "tasks.cancel", "other"}}, ""},
        // No rule: closed to everybody.
        {"com.orvane.tarn.other", "get", {{"software.admin", "tasks.read"}}, unauthorized},
        {"com.orvane.hub.tasks", "get", std::nullopt, "com.orvane.lumo.std.errors.unauthenticated"},
        {"com.orvane.lumo.std.metadata", "get", std::nullopt, ""},
    };
    size_t passed = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.service + "." + row.operation);
        EXPECT_EQ(Call(row.service, row.operation, row.entitlements), row.error);
        passed += row.error.empty() ? 1 : 0;
        EXPECT_EQ(service_->calls.size(), passed) << "only a call that passes reaches the service";
    }
    const std::string denied = "service.access.denied svc-agent com.orvane.";
    EXPECT_EQ(ApiTest::AuditRecords(root_.Dir()),
              (std::vector<std::string>{
                  denied + "tarn.software:set failed reason=missing entitlement software.admin",
                  denied + "hub.tasks:cancel failed reason=missing entitlement tasks.cancel",
                  denied + "tarn.other:get failed reason=no rule",
                  "service.access.denied @unknown com.orvane.hub.tasks:get failed reason=no identity"}));
}

}  // namespace
