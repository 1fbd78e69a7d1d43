// The security filters of an ordinary host in their order (registrar, authentication,
// require-user authorization): what gets through without credentials and what is recorded.
#include <gtest/gtest.h>

#include <cstdlib>

#include "../authz/AuditLogReader.hpp"
#include "../authz/ChainDoubles.hpp"
#include "api/authn/AsyncAuthnFilter.hpp"
#include "api/authn/UserPassHandler.hpp"
#include "api/authz/CallRegistrar.hpp"
#include "api/authz/RequireUserAuthz.hpp"
#include "platform/lumo/StandardError.hpp"
#include "support/TempHostRoot.hpp"

namespace {

namespace Core = Lumo::Core;

class SecurityChainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("HOSTPREFD_ROOT", root_.Dir().c_str(), 1);
        auto config = std::make_shared<Lumo::Authz::AuthzRequireUserConfig>();
        config->requireUser = {"com.orvane.hub.tasks"};
        config->anonymous = {"com.orvane.lumo.std.introspection.service"};
        auto authz = std::make_shared<Lumo::Authz::Filter::RequireUserAuthz>(config, posted_.Dispatcher(),
                                                                             service_, nullptr);
        auto authn = std::make_shared<Lumo::Authn::Filter::AsyncAuthnFilter>(
            std::make_shared<Host::Settings::SettingsApi::Authn::UserPassHandler>(), authz);
        chain_ = std::make_shared<Lumo::Observer::CallRegistrar>(authn);
    }
    void TearDown() override { ::unsetenv("HOSTPREFD_ROOT"); }

    // The result of `service`.list called without credentials.
    Core::MethodResult Call(const std::string& service)
    {
        std::optional<Core::MethodResult> answer;
        chain_->Invoke({service, "list"}, nullptr, Core::AsyncActivation::GetInstance({}),
                       [&answer](Core::MethodResult result) { answer = std::move(result); });
        posted_.RunAll();
        EXPECT_TRUE(answer.has_value());
        return answer.value_or(Core::MethodResult::GetErrorInstance());
    }

    TestSupport::TempHostRoot root_;
    ChainTest::PostedWork posted_;
    std::shared_ptr<ChainTest::RecordingService> service_ = std::make_shared<ChainTest::RecordingService>();
    std::shared_ptr<Core::AsyncApiProvider> chain_;
};

TEST_F(SecurityChainTest, WithoutCredentialsOnlyOpenServicesAnswer)
{
    EXPECT_FALSE(Call("com.orvane.lumo.std.introspection.service").IsError());
    Core::MethodResult tasks = Call("com.orvane.hub.tasks");
    ASSERT_TRUE(tasks.IsError());
    EXPECT_TRUE(Com::Orvane::Lumo::Std::Errors::Unauthenticated.Matches(*tasks.Error()));
    EXPECT_EQ(service_->methods, std::vector<std::string>{"com.orvane.lumo.std.introspection.service.list"});

    auto records = AuditTest::ReadAuditLog(root_.Dir());
    auto denied = AuditTest::RecordsOf(records, "service.access.denied");
    ASSERT_EQ(denied.size(), 1u);
    EXPECT_EQ(denied[0].object, "com.orvane.hub.tasks:list");
    // No credentials, no login: neither kind of login record.
    EXPECT_TRUE(AuditTest::RecordsOf(records, "service.lcticket.use").empty());
    EXPECT_TRUE(AuditTest::RecordsOf(records, "service.password.use").empty());
}

}  // namespace
