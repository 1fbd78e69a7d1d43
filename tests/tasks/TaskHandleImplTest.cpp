#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TaskTestSupport.hpp"
#include "tasks/TaskHandleImpl.hpp"

namespace {

using LifeCycle::TaskHandleImpl;
using LifeCycle::TaskNotification;
using TarnConfigManager::TaskHandle;

class TaskHandleImplTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TaskTest::ResetHostRoot();
        TaskTest::Store()->CreateTask("h-1", 5);
    }

    int Progress() { return TaskTest::Store()->GetTask("h-1").completed; }

    // The stored notifications, each decoded back; a malformed one fails the test.
    std::vector<TaskNotification::Notification> StoredNotifications()
    {
        std::vector<TaskNotification::Notification> found;
        for (const std::string& json : TaskTest::Store()->GetTask("h-1").notifications) {
            auto decoded = TaskNotification::Decode(json);
            EXPECT_TRUE(std::holds_alternative<TaskNotification::Notification>(decoded)) << json;
            if (auto* notification = std::get_if<TaskNotification::Notification>(&decoded)) {
                found.push_back(*notification);
            }
        }
        return found;
    }

    std::shared_ptr<TaskTest::ScriptedTask> task_ = std::make_shared<TaskTest::ScriptedTask>("h-1");
};

std::pair<int, int> RangeOf(const std::shared_ptr<TaskHandle>& handle)
{
    const auto& impl = dynamic_cast<const TaskHandleImpl&>(*handle);
    return {impl.Start(), impl.End()};
}

TEST_F(TaskHandleImplTest, ProgressIsScaledIntoTheRangeAndWrittenUnclamped)
{
    auto handle = TaskHandleImpl::MakeTaskHandle(task_, 10, 90);
    const std::pair<float, int> cases[] = {
        {50, 50},
        {0, 10},
        {100, 90},
        {33.3f, 36},
        {99.99f, 89},
        {150, 130},
        {-25, -10},
        {std::nanf(""), -10},  // NaN writes nothing
        {std::numeric_limits<float>::infinity(), std::numeric_limits<int>::max()},
        {-1e30f, std::numeric_limits<int>::min()}};
    for (const auto& [percent, stored] : cases) {
        handle->UpdateProgress(percent);
        EXPECT_EQ(Progress(), stored) << percent;
    }
}

TEST_F(TaskHandleImplTest, SubHandlesSplitTheParentRangeInConsecutiveSlices)
{
    auto parent = TaskHandleImpl::MakeTaskHandle(task_, 10, 90);
    std::vector<std::pair<int, int>> slices;
    for (int i = 0; i < 5; ++i) slices.push_back(RangeOf(parent->CreateSubTask(4)));
    EXPECT_EQ(slices, (std::vector<std::pair<int, int>>{{10, 30}, {30, 50}, {50, 70}, {70, 90}, {90, 110}}));
    EXPECT_EQ(RangeOf(parent->CreateSubTask(0)), std::make_pair(110, 110));
    EXPECT_EQ(RangeOf(parent), std::make_pair(10, 90));

    // Uneven splits truncate; a child splits its own slice in turn and writes within it.
    auto odd = TaskHandleImpl::MakeTaskHandle(task_, 0, 10);
    odd->CreateSubTask(3);
    EXPECT_EQ(RangeOf(odd->CreateSubTask(3)), std::make_pair(3, 6));
    auto grandchild = TaskHandleImpl::MakeTaskHandle(task_, 40, 80)->CreateSubTask(2)->CreateSubTask(2);
    EXPECT_EQ(RangeOf(grandchild), std::make_pair(40, 50));
    grandchild->UpdateProgress(50);
    EXPECT_EQ(Progress(), 45);
    EXPECT_EQ(grandchild->GetTaskId(), "h-1");
}

TEST_F(TaskHandleImplTest, NotificationsOfEachKindAreStoredRenderedAndInOrder)
{
    // The handle is dropped at once: the notifications keep it, and it keeps the task.
    std::weak_ptr<TaskTest::ScriptedTask> watch = task_;
    auto notifications = TaskHandleImpl::MakeTaskHandle(std::move(task_), 0, 100)->GetNotifications();
    const auto before = Lumo::DateTime::GetUtcDateTime();
    notifications->Info({"cm.info", "Applied {1} of {2}"}, {"3", "7"});
    notifications->Warning({"cm.warn", "Plugin {1} is slow"}, {"net"});
    notifications->Error({{TaskTest::kCataloguedId, "unused default {1}"}, {"disk full"}});

    // Texts come from the catalogue, never from the defaults the library gave; the id is kept
    // beside the message.
    std::vector<std::string> seen;
    for (const auto& notification : StoredNotifications()) {
        std::string args;
        for (const std::string& arg : notification.message.args) args += arg + ",";
        EXPECT_EQ(notification.id, notification.message.id);
        seen.push_back(std::to_string(static_cast<int>(notification.kind)) + " " + notification.message.id +
                       " [" + args + "] " + notification.message.localized);
        EXPECT_TRUE(notification.time >= before && notification.time <= Lumo::DateTime::GetUtcDateTime());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"0 cm.info [3,7,] Unknown message.",
                                              "1 cm.warn [net,] Unknown message.",
                                              std::string("2 ") + TaskTest::kCataloguedId +
                                                  " [disk full,] An unexpected error occurred: disk full"}));
    notifications.reset();
    EXPECT_TRUE(watch.expired());
}

}  // namespace
