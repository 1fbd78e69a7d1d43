#include <gtest/gtest.h>

#include "platform/lumo/AsyncActivation.hpp"
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

// The credential readers see through the secret wrapping, which only hides the text from logs.
// (The op id and user name helpers are shown by LogFilterTest and RequireUserAuthzTest.)
TEST(ActivationTest, CredentialReadersSeeThroughSecretsThatLogsDoNotShow)
{
    ExecutionContext::SecurityContext security{{"userName", SecurityContextWrappedEntry::Plain("root")},
                                               {"password", SecurityContextWrappedEntry::Secret("pw")}};
    EXPECT_EQ(UserPassSecurityContextReader::GetUserName(security), "root");
    EXPECT_EQ(UserPassSecurityContextReader::GetPassword(security), "pw");
    EXPECT_EQ(security.at("password").LogText(), "<secret>");
    EXPECT_EQ(UserPassSecurityContextReader::GetUserName({}), std::nullopt);
}

}  // namespace
}  // namespace Lumo::Core
