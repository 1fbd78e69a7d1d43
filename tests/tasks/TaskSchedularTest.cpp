#include <gtest/gtest.h>

#include "TaskTestSupport.hpp"
#include "support/LogCapture.hpp"

namespace {

using LifeCycle::TaskSchedularImpl;
using TaskTest::ScriptedTask;
using RunMode = TaskTest::ScriptedTask::RunMode;

class TaskSchedularTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(scheduler_->Start(), 0); }

    bool BackToIdle() { return TaskTest::BackToIdle(*scheduler_); }

    // Stops the scheduler and checks that it logged each of `logged`; how long stopping took.
    std::chrono::milliseconds StopLogging(std::initializer_list<std::string> logged)
    {
        LogCapture log;
        const auto began = std::chrono::steady_clock::now();
        scheduler_->Stop();
        const auto took = std::chrono::steady_clock::now() - began;
        for (const std::string& part : logged) EXPECT_TRUE(log.Has(part)) << part;
        return std::chrono::duration_cast<std::chrono::milliseconds>(took);
    }

    std::unique_ptr<TaskSchedularImpl> scheduler_ = std::make_unique<TaskSchedularImpl>();
};

TEST_F(TaskSchedularTest, RunsOneTaskAtATimeAndRefusesOthersMeanwhile)
{
    auto first = std::make_shared<ScriptedTask>("first", RunMode::kUntilReleased);
    auto second = std::make_shared<ScriptedTask>("second");
    ASSERT_EQ(scheduler_->Submit(first), 0);
    ASSERT_TRUE(first->WaitRunning());
    {
        LogCapture log;
        EXPECT_EQ(scheduler_->Submit(second), 2);
        EXPECT_TRUE(log.Has("TaskSchedular in state=3, stopped=0, doesn't accept requests"));
    }
    first->Release();
    ASSERT_TRUE(BackToIdle());
    EXPECT_EQ(first->CallText(), "PreRun Run PostRun");
    EXPECT_EQ(second->CallText(), "");
    EXPECT_EQ(first.use_count(), 1) << "a reaped task is let go";

    ASSERT_EQ(scheduler_->Submit(second), 0);
    ASSERT_TRUE(BackToIdle());
    EXPECT_EQ(second->CallText(), "PreRun Run PostRun");
}

TEST_F(TaskSchedularTest, AbortReachesOnlyTheTaskWithThatId)
{
    auto task = std::make_shared<ScriptedTask>("8c1e-task", RunMode::kUntilAborted);
    EXPECT_EQ(scheduler_->Abort("8c1e-task"), 0) << "no task held yet";
    ASSERT_EQ(scheduler_->Submit(task), 0);
    ASSERT_TRUE(task->WaitRunning());
    for (const char* other : {"8c1e-tas", "8c1e-task ", "8C1E-TASK", ""}) {
        EXPECT_EQ(scheduler_->Abort(other), 0) << other;
    }
    EXPECT_FALSE(task->IsAbortRequested());
    EXPECT_EQ(scheduler_->Abort("8c1e-task"), 1);
    ASSERT_TRUE(BackToIdle());
    // A per-task abort is the task's business: it still ends through PostRun.
    EXPECT_EQ(task->CallText(), "PreRun Run PostRun");
}

TEST_F(TaskSchedularTest, ThrowingTasksStillEndAndTheNextOneRuns)
{
    auto throwing = std::make_shared<ScriptedTask>("throws", RunMode::kThrow);
    auto postRunThrows = std::make_shared<ScriptedTask>("post");
    postRunThrows->ThrowInPostRun();
    LogCapture log;
    for (const auto& task : {throwing, postRunThrows, std::make_shared<ScriptedTask>("next")}) {
        ASSERT_EQ(scheduler_->Submit(task), 0);
        ASSERT_TRUE(BackToIdle());
    }
    EXPECT_EQ(throwing->CallText(), "PreRun Run SetError:run broke PostRun");
    for (const char* line : {"Task: Scripted:throws failed to run: run broke",
                             "PostRun script failed to run: post-run broke", "Task completed: Scripted:next"})
        EXPECT_TRUE(log.Has(line)) << line;
}

TEST_F(TaskSchedularTest, StopWithAQueuedTaskMarksItAbortedWithoutRunningIt)
{
    // Whether the scheduler thread dispatches between Submit and Stop is up to the system;
    // repeat until the task was caught waiting. Every path must end the task aborted exactly
    // once, without PostRun.
    int caughtQueued = 0;
    for (int attempt = 0; attempt < 100 && caughtQueued == 0; ++attempt) {
        TaskSchedularImpl scheduler;
        ASSERT_EQ(scheduler.Start(), 0);
        auto task = std::make_shared<ScriptedTask>("queued", RunMode::kUntilAborted);
        ASSERT_EQ(scheduler.Submit(task), 0);
        scheduler.Stop();
        const std::string calls = task->CallText();
        caughtQueued += calls == "MarkAborted";
        EXPECT_TRUE(calls == "MarkAborted" || calls == "PreRun MarkAborted" ||
                    calls == "PreRun Run MarkAborted")
            << calls;
    }
    EXPECT_GT(caughtQueued, 0);
}

TEST_F(TaskSchedularTest, StopAbortsARunningTaskThatAnswersAndReapsIt)
{
    auto task = std::make_shared<ScriptedTask>("answers", RunMode::kUntilAborted);
    ASSERT_EQ(scheduler_->Submit(task), 0);
    ASSERT_TRUE(task->WaitRunning());
    EXPECT_LT(StopLogging(
                  {"Worker aborting task after Run(): Scripted:answers", "Task completed: Scripted:answers"}),
              std::chrono::seconds(3));
    EXPECT_EQ(task->CallText(), "PreRun Run MarkAborted");
    EXPECT_EQ(task.use_count(), 1);
    LogCapture log;
    EXPECT_EQ(scheduler_->Submit(task), 2);
    EXPECT_TRUE(log.Has("state=1, stopped=1"));
}

TEST_F(TaskSchedularTest, StopGivesUpOnATaskThatIgnoresTheAbortAfterFiveSeconds)
{
    auto task = std::make_shared<ScriptedTask>("stubborn", RunMode::kUntilReleased);
    ASSERT_EQ(scheduler_->Submit(task), 0);
    ASSERT_TRUE(task->WaitRunning());
    const auto took = StopLogging(
        {"Task did not respond to abort request: Scripted:stubborn", "Task aborted: Scripted:stubborn"});
    EXPECT_TRUE(took >= std::chrono::milliseconds(4900) && took < std::chrono::seconds(8)) << took.count();
    EXPECT_TRUE(task->IsAbortRequested());
    EXPECT_EQ(task->CallText(), "PreRun Run MarkAborted");
    // The abandoned worker ends on its own once Run returns, still without PostRun.
    task->Release();
    scheduler_.reset();
    EXPECT_EQ(task->CallText(), "PreRun Run MarkAborted MarkAborted");
}

}  // namespace
