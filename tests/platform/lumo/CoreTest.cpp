#include <gtest/gtest.h>

#include "platform/lumo/AsyncActivation.hpp"
#include "platform/lumo/UserPassSecurityContextReader.hpp"

namespace Lumo::Core {
namespace {

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
