#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "platform/host/Panic.hpp"

namespace {

// Death tests re-execute the test binary, which keeps the child independent of this
// process's threads.
TEST(PanicDeathTest, VerifyAndNotReachedAbortNamingThisFileAndLine)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    int evaluated = 0;
    VERIFY(++evaluated == 1);
    EXPECT_EQ(evaluated, 1) << "a true condition continues, evaluated exactly once";
    const std::string here = ".*PanicTest\\.cpp:";
    const auto aborts = ::testing::KilledBySignal(SIGABRT);
    EXPECT_EXIT(VERIFY(evaluated == 0), aborts, "^VERIFY " + here + std::to_string(__LINE__) + "\n$");
    EXPECT_EXIT(NOT_REACHED(), aborts, "^NOT_REACHED " + here + std::to_string(__LINE__) + "\n$");
}

TEST(PanicDeathTest, ALongPanicTextIsCutButStillEndsTheLine)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string huge(5000, 'p');
    EXPECT_EXIT(Panic("reason: %s", huge.c_str()), ::testing::KilledBySignal(SIGABRT),
                "^reason: p{900,1022}\n$");
}

}  // namespace
