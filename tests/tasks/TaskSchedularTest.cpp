#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "../platform/host/LogCapture.hpp"
#include "tasks/TaskSchedularImpl.hpp"
#include "TaskTestSupport.hpp"

namespace {

using LifeCycle::TaskSchedularImpl;
using TaskTest::Eventually;
using TaskTest::ScriptedTask;
using RunMode = TaskTest::ScriptedTask::RunMode;

class TaskSchedularTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(scheduler_->Start(), 0); }

    // Waits until the scheduler holds no task again.
    bool BackToIdle()
    {
        return Eventually([this] { return scheduler_->GetState() == TaskSchedularImpl::kIdle; });
    }

    std::unique_ptr<TaskSchedularImpl> scheduler_ = std::make_unique<TaskSchedularImpl>();
};

TEST_F(TaskSchedularTest, RunsOneTaskAtATimeAndRefusesOthersMeanwhile)
{
    auto first = std::make_shared<ScriptedTask>("first", RunMode::kUntilReleased);
    auto second = std::make_shared<ScriptedTask>("second");
    EXPECT_EQ(scheduler_->Start(), 0) << "a second start is harmless";

    ASSERT_EQ(scheduler_->Submit(first), 0);
    ASSERT_TRUE(first->WaitRunning());
    EXPECT_EQ(scheduler_->GetState(), TaskSchedularImpl::kRunning);
    {
        LogCapture log;
        EXPECT_EQ(scheduler_->Submit(second), 2);
        EXPECT_TRUE(log.Has("TaskSchedular in state=3, stopped=0, doesn't accept requests"));
    }
    EXPECT_TRUE(second->Calls().empty());

    first->Release();
    ASSERT_TRUE(BackToIdle());
    EXPECT_EQ(first->CallText(), "PreRun Run PostRun");
    EXPECT_EQ(first.use_count(), 1) << "the scheduler lets a reaped task go";

    ASSERT_EQ(scheduler_->Submit(second), 0);
    ASSERT_TRUE(BackToIdle());
    EXPECT_EQ(second->CallText(), "PreRun Run PostRun");
}

TEST_F(TaskSchedularTest, SubmitBeforeStartOrAfterStopIsRefused)
{
    TaskSchedularImpl notStarted;
    LogCapture log;
    EXPECT_EQ(notStarted.Submit(std::make_shared<ScriptedTask>("early")), 2);
    scheduler_->Stop();
    EXPECT_EQ(scheduler_->Submit(std::make_shared<ScriptedTask>("late")), 2);
    const std::string lines = log.Take();
    EXPECT_NE(lines.find("state=0, stopped=0"), std::string::npos) << lines;
    EXPECT_NE(lines.find("state=1, stopped=1"), std::string::npos) << lines;
}

TEST_F(TaskSchedularTest, AbortReachesOnlyTheTaskWithThatId)
{
    auto task = std::make_shared<ScriptedTask>("8c1e-task", RunMode::kUntilAborted);
    EXPECT_EQ(scheduler_->Abort("8c1e-task"), 0) << "no task held yet";
    ASSERT_EQ(scheduler_->Submit(task), 0);
    ASSERT_TRUE(task->WaitRunning());

    for (const char* other : {"other", "8c1e-tas", "8c1e-task ", "8C1E-TASK", ""}) {
        EXPECT_EQ(scheduler_->Abort(other), 0) << other;
    }
    EXPECT_FALSE(task->IsAbortRequested());

    EXPECT_EQ(scheduler_->Abort("8c1e-task"), 1);
    ASSERT_TRUE(BackToIdle());
    // A per-task abort is the task's business: the scheduler still lets it finish normally.
    EXPECT_EQ(task->CallText(), "PreRun Run PostRun");
}

TEST_F(TaskSchedularTest, ThrowingTaskIsRecordedAndStillReachesPostRun)
{
    auto throwing = std::make_shared<ScriptedTask>("throws", RunMode::kThrow);
    auto postRunThrows = std::make_shared<ScriptedTask>("post");
    postRunThrows->ThrowInPostRun();
    {
        LogCapture log;
        ASSERT_EQ(scheduler_->Submit(throwing), 0);
        ASSERT_TRUE(BackToIdle());
        ASSERT_EQ(scheduler_->Submit(postRunThrows), 0);
        ASSERT_TRUE(BackToIdle());
        const std::string lines = log.Take();
        EXPECT_NE(lines.find("Task: Scripted:throws failed to run: run broke"), std::string::npos) << lines;
        EXPECT_NE(lines.find("PostRun script failed to run: post-run broke"), std::string::npos) << lines;
    }
    EXPECT_EQ(throwing->CallText(), "PreRun Run SetError:run broke PostRun");
    EXPECT_EQ(postRunThrows->CallText(), "PreRun Run PostRun");

    auto next = std::make_shared<ScriptedTask>("next");
    ASSERT_EQ(scheduler_->Submit(next), 0);
    ASSERT_TRUE(BackToIdle());
    EXPECT_EQ(next->CallText(), "PreRun Run PostRun");
}

TEST_F(TaskSchedularTest, StopWithAQueuedTaskMarksItAbortedWithoutRunningIt)
{
    // Whether the scheduler thread dispatches between Submit and Stop is up to the system;
    // repeat until the task was caught waiting. Either way the task must end aborted
    // exactly once and never reach PostRun.
    int caughtQueued = 0;
    for (int attempt = 0; attempt < 100 && caughtQueued == 0; ++attempt) {
        auto scheduler = std::make_unique<TaskSchedularImpl>();
        ASSERT_EQ(scheduler->Start(), 0);
        ASSERT_TRUE(Eventually([&] { return scheduler->GetState() == TaskSchedularImpl::kIdle; }));
        auto task = std::make_shared<ScriptedTask>("queued", RunMode::kUntilAborted);
        ASSERT_EQ(scheduler->Submit(task), 0);
        scheduler->Stop();
        const std::string calls = task->CallText();
        if (calls == "MarkAborted") {
            ++caughtQueued;
        } else {
            EXPECT_TRUE(calls == "PreRun MarkAborted" || calls == "PreRun Run MarkAborted") << calls;
        }
    }
    EXPECT_GT(caughtQueued, 0);
}

TEST_F(TaskSchedularTest, StopAbortsARunningTaskThatAnswersAndReapsIt)
{
    auto task = std::make_shared<ScriptedTask>("answers", RunMode::kUntilAborted);
    ASSERT_EQ(scheduler_->Submit(task), 0);
    ASSERT_TRUE(task->WaitRunning());

    LogCapture log;
    const auto began = std::chrono::steady_clock::now();
    scheduler_->Stop();
    const auto took = std::chrono::steady_clock::now() - began;
    const std::string lines = log.Take();

    EXPECT_LT(took, std::chrono::seconds(3));
    EXPECT_EQ(task->CallText(), "PreRun Run MarkAborted") << "aborted, and no PostRun";
    EXPECT_NE(lines.find("Worker aborting task after Run(): Scripted:answers"), std::string::npos) << lines;
    EXPECT_NE(lines.find("Task completed: Scripted:answers"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("did not respond"), std::string::npos) << lines;
    EXPECT_EQ(task.use_count(), 1);
}

TEST_F(TaskSchedularTest, StopGivesUpOnATaskThatIgnoresTheAbortAfterFiveSeconds)
{
    auto task = std::make_shared<ScriptedTask>("stubborn", RunMode::kUntilReleased);
    ASSERT_EQ(scheduler_->Submit(task), 0);
    ASSERT_TRUE(task->WaitRunning());

    std::string lines;
    std::chrono::steady_clock::duration took;
    {
        LogCapture log;
        const auto began = std::chrono::steady_clock::now();
        scheduler_->Stop();
        took = std::chrono::steady_clock::now() - began;
        lines = log.Take();
    }

    EXPECT_GE(took, std::chrono::milliseconds(4900));
    EXPECT_LT(took, std::chrono::seconds(8));
    EXPECT_TRUE(task->IsAbortRequested());
    EXPECT_EQ(task->CallText(), "PreRun Run MarkAborted");
    EXPECT_NE(lines.find("Task did not respond to abort request: Scripted:stubborn"), std::string::npos) << lines;
    EXPECT_NE(lines.find("Task aborted: Scripted:stubborn"), std::string::npos) << lines;

    // The abandoned worker ends on its own once its Run returns, without PostRun.
    task->Release();
    scheduler_.reset();
    EXPECT_EQ(task->CallText(), "PreRun Run MarkAborted MarkAborted");
}

}  // namespace
