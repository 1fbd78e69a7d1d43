#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "platform/host/Panic.hpp"

namespace {

class PanicDeathTest : public ::testing::Test {
protected:
    // Re-executing the test binary keeps the child independent of this process's threads.
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(PanicDeathTest, VerifyEvaluatesOnceAndAbortsNamingItsSource)
{
    int evaluated = 0;
    VERIFY(++evaluated == 1);
    EXPECT_EQ(evaluated, 1) << "a true condition continues, evaluated exactly once";
    const int port = 0;
    EXPECT_EXIT(VERIFY_AT(port != 0, "apps/lifecycle/lumo/lumocpp/endpoint", 109),
                ::testing::KilledBySignal(SIGABRT), "^VERIFY apps/lifecycle/lumo/lumocpp/endpoint:109\n$");
}

TEST_F(PanicDeathTest, NotReachedNamesThisFileAndLine)
{
    const int line = __LINE__ + 1;
    EXPECT_EXIT(NOT_REACHED(), ::testing::KilledBySignal(SIGABRT),
                "^NOT_REACHED .*PanicTest\\.cpp:" + std::to_string(line) + "\n$");
}

TEST_F(PanicDeathTest, ALongPanicTextIsCutButStillEndsTheLine)
{
    const std::string huge(5000, 'p');
    EXPECT_EXIT(Panic("reason: %s", huge.c_str()), ::testing::KilledBySignal(SIGABRT),
                "^reason: p{900,1022}\n$");
}

}  // namespace
