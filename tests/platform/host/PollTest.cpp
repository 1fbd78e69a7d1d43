#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "platform/host/Poll.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class PollTest : public ::testing::Test {
protected:
    void SetUp() override { Poll_InitDefault(); }
    void TearDown() override { Poll_Exit(); }
};

TEST_F(PollTest, ExitDropsTimersAndTheLoopNoticesAFlagSetByAnotherThread)
{
    int ticks = 0;
    Poll_AddTimer(0, milliseconds(1), [&] { ++ticks; });
    Poll_Exit();
    Poll_InitDefault();

    volatile sig_atomic_t flag = 0;
    std::atomic<Clock::time_point> setAt{};
    std::thread setter([&] {
        std::this_thread::sleep_for(milliseconds(120));
        setAt = Clock::now();
        __atomic_store_n(&flag, 1, __ATOMIC_RELEASE);  // no wake-up: the loop must notice alone
    });
    Poll_Loop(1, &flag, 0);
    setter.join();

    ASSERT_EQ(flag, 1);
    EXPECT_LT(Clock::now() - setAt.load(), milliseconds(100));
    EXPECT_EQ(ticks, 0) << "a timer added before Poll_Exit ran";
}

TEST_F(PollTest, TimersRunOnTheLoopingThreadForTheirClassOnly)
{
    volatile sig_atomic_t flag = 0;
    int mainTicks = 0;
    std::atomic<int> otherTicks{0};
    std::thread::id ranOn;
    Poll_AddTimer(0, milliseconds(5), [&] {
        ranOn = std::this_thread::get_id();
        flag = ++mainTicks == 3;
    });
    Poll_AddTimer(1, milliseconds(1), [&] { ++otherTicks; });

    const auto start = Clock::now();
    Poll_Loop(1, &flag, 0);
    EXPECT_EQ(mainTicks, 3);
    EXPECT_EQ(otherTicks, 0);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_GE(Clock::now() - start, milliseconds(15)) << "a period is waited out, not spun";
}

TEST_F(PollTest, ACallbackMayRemoveItselfAndOthersDueInTheSameRound)
{
    volatile sig_atomic_t flag = 0;
    int selfRemoving = 0, removedByOther = 0;
    // Same period, the remover registered first: both fall due together and the remover
    // runs first, so the victim must be skipped although it was already due.
    PollTimerId self = 0, victim = 0;
    self = Poll_AddTimer(0, milliseconds(2), [&] {
        ++selfRemoving;
        EXPECT_TRUE(Poll_RemoveTimer(self));
        EXPECT_TRUE(Poll_RemoveTimer(victim));
    });
    victim = Poll_AddTimer(0, milliseconds(2), [&] { ++removedByOther; });
    Poll_AddTimer(0, milliseconds(30), [&] { flag = 1; });

    Poll_Loop(1, &flag, 0);
    EXPECT_EQ(selfRemoving, 1);
    EXPECT_EQ(removedByOther, 0);
    EXPECT_FALSE(Poll_RemoveTimer(self));
}

TEST_F(PollTest, OneWaitLastsTheCheckIntervalUnlessWokenUp)
{
    Poll_Wakeup();
    Poll_Loop(0, nullptr, 0);  // consumes the wake-up, and any left pending before

    auto start = Clock::now();
    Poll_Loop(0, nullptr, 0);
    EXPECT_GE(Clock::now() - start, kPollCheckInterval - milliseconds(5));

    // A wake-up given before the wait starts is not lost: the wait ends at once.
    Poll_Wakeup();
    start = Clock::now();
    Poll_Loop(0, nullptr, 0);
    EXPECT_LT(Clock::now() - start, kPollCheckInterval / 2);
}

}  // namespace
