#include <gtest/gtest.h>

#include "platform/lumo/ActivationHelpers.hpp"
#include "platform/lumo/DataValues.hpp"
#include "platform/lumo/MethodResult.hpp"
#include "platform/lumo/UserPassSecurityContextReader.hpp"

namespace Lumo::Core {
namespace {

TEST(MethodResultTest, NullOutputIsVoidAndErrorsHaveNoOutput)
{
    EXPECT_EQ(MethodResult::FromOutput(nullptr).Output(), Data::VoidValue::GetInstance());
    MethodResult internal = MethodResult::GetErrorInstance();
    ASSERT_TRUE(internal.IsError());
    EXPECT_EQ(internal.Output(), nullptr);
    EXPECT_EQ(internal.Error()->Name(), "com.orvane.lumo.std.errors.internal_server_error");
    EXPECT_TRUE(MethodResult::FromError(nullptr).IsError());
}

TEST(ActivationTest, HelpersReadAndRecordTheCallContext)
{
    ExecutionContext context;
    context.applicationContext[ExecutionContext::kOpIdKey] = "op-17";
    context.securityContext.emplace("userName", SecurityContextWrappedEntry::Plain("root"));
    context.securityContext.emplace("password", SecurityContextWrappedEntry::Secret("pw"));
    auto activation = AsyncActivation::GetInstance(std::move(context));
    const auto& security = activation->executionContext.securityContext;

    EXPECT_EQ(ActivationHelpers::GetActivationOpId(*activation), "op-17");
    EXPECT_EQ(UserPassSecurityContextReader::GetUserName(security), "root");
    EXPECT_EQ(UserPassSecurityContextReader::GetPassword(security), "pw");
    EXPECT_EQ(security.at("password").LogText(), "<secret>");

    EXPECT_EQ(ActivationHelpers::ExtractUsername(*activation), std::nullopt);  // not authenticated yet
    activation->authData = AuthenticationData{"root", {"host.config.read"}};
    EXPECT_EQ(ActivationHelpers::ExtractUsername(*activation), "root");

    auto bare = AsyncActivation::GetInstance({});
    EXPECT_EQ(ActivationHelpers::GetActivationOpId(*bare), "");
    EXPECT_EQ(UserPassSecurityContextReader::GetUserName(bare->executionContext.securityContext),
              std::nullopt);
}

}  // namespace
}  // namespace Lumo::Core
