// Several processes on one store: concurrent writers, a writer killed mid-write, and a
// manager carried across fork().
#include <gtest/gtest.h>
#include <signal.h>

#include <numeric>

#include "TaskStoreTestSupport.hpp"
#include "platform/host/taskdb/TaskManager.hpp"

namespace {

using TaskDB::TaskManager;
using TaskStoreTest::ForkChild;
using TaskStoreTest::RawDb;
using TaskStoreTest::TempDir;
using TaskStoreTest::WaitChild;

// Writer `writer`'s update `seq` as a notification text (a JSON number).
std::string Notification(int writer, int seq) { return std::to_string(writer * 100000 + seq); }

// The seq numbers of `writer`'s notifications, in stored order.
std::vector<int> SeqsOf(const std::vector<std::string>& notifications, int writer)
{
    std::vector<int> seqs;
    for (const std::string& text : notifications) {
        if (std::stoi(text) / 100000 == writer) seqs.push_back(std::stoi(text) % 100000);
    }
    return seqs;
}

class TaskStoreProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto store = TaskManager::FromPath(path_);
        store->Initialize();
        store->CreateTask("shared", 5);
        store->StartTask("shared", 5);
    }

    TempDir dir_;
    std::string path_ = dir_.File("task-status.json.db");
};

TEST_F(TaskStoreProcessTest, TwoProcessesWritingAtOnceLoseNoUpdate)
{
    constexpr int kWriters = 2, kUpdates = 1000;
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> writers;
    for (int writer = 0; writer < kWriters; ++writer) {
        writers.push_back(ForkChild([&, writer] {
            close(go[1]);
            char start;
            if (read(go[0], &start, 1) != 0) return 3;  // EOF: the parent let everyone go at once
            // Opened after fork: the connection is this process's own.
            auto store = TaskManager::FromPath(path_);
            const std::string own = "writer-" + std::to_string(writer);
            store->CreateTask(own, 0);
            for (int seq = 0; seq < kUpdates; ++seq)
                store->AddNotification("shared", Notification(writer, seq));
            store->SetSucceeded(own, "{}");
            return 0;
        }));
    }
    close(go[0]);
    close(go[1]);
    for (pid_t pid : writers) EXPECT_EQ(WaitChild(pid), 0);

    auto tasks = TaskManager::FromPath(path_)->GetAllTasks();
    EXPECT_EQ(tasks["shared"].notifications.size(), static_cast<size_t>(kWriters * kUpdates));
    std::vector<int> expected(kUpdates);
    std::iota(expected.begin(), expected.end(), 0);
    for (int writer = 0; writer < kWriters; ++writer) {
        EXPECT_EQ(SeqsOf(tasks["shared"].notifications, writer), expected) << "writer " << writer;
        EXPECT_EQ(tasks["writer-" + std::to_string(writer)].status, "SUCCEEDED");
    }
    EXPECT_EQ(RawDb(path_).Query("PRAGMA integrity_check"), "ok");
}

TEST_F(TaskStoreProcessTest, WriterKilledMidWriteLeavesEveryCommittedUpdate)
{
    int acks[2];
    ASSERT_EQ(pipe(acks), 0);
    const pid_t writer = ForkChild([&] {
        close(acks[0]);
        auto store = TaskManager::FromPath(path_);
        for (int seq = 0;; ++seq) {
            store->AddNotification("shared", Notification(0, seq));
            // Reported only once committed: whatever the parent hears of must survive.
            if (write(acks[1], &seq, sizeof seq) != sizeof seq) return 4;
        }
    });
    close(acks[1]);
    int seq = -1, heard = 0;
    while (heard < 300 && read(acks[0], &seq, sizeof seq) == sizeof seq) ++heard;
    ASSERT_EQ(heard, 300) << "the writer stopped early";
    kill(writer, SIGKILL);
    EXPECT_EQ(WaitChild(writer), 128 + SIGKILL);
    int lastAcked = seq;
    while (read(acks[0], &seq, sizeof seq) == sizeof seq) lastAcked = seq;  // acks written before the kill
    close(acks[0]);

    EXPECT_EQ(RawDb(path_).Query("PRAGMA integrity_check"), "ok");
    auto store = TaskManager::FromPath(path_);
    const std::vector<int> seqs = SeqsOf(store->GetTask("shared").notifications, 0);
    // Every acknowledged update is there, in order; at most one more commit may have
    // landed between the last commit and its acknowledgement.
    ASSERT_GE(static_cast<int>(seqs.size()), lastAcked + 1);
    EXPECT_LE(static_cast<int>(seqs.size()), lastAcked + 2);
    for (int i = 0; i < static_cast<int>(seqs.size()); ++i) ASSERT_EQ(seqs[i], i);
    store->SetProgress("shared", 77, "");
    EXPECT_EQ(store->GetTask("shared").completed, 77) << "the store still takes writes";
}

TEST_F(TaskStoreProcessTest, ChildOpensItsOwnConnectionInsteadOfTheInheritedOne)
{
    auto store = TaskManager::FromPath(path_);
    store->SetProgress("shared", 1, "");
    const pid_t parent = getpid();
    ASSERT_EQ(store->ConnectionOwner(), parent);

    const pid_t child = ForkChild([&] {
        int faults = store->ConnectionOwner() != parent ? 1 : 0;  // inherited: still the parent's
        store->SetProgress("shared", 2, "child");
        faults |= store->ConnectionOwner() != getpid() ? 2 : 0;  // wrote through the parent's
        faults |= store->GetTask("shared").message != "child" ? 4 : 0;
        store.reset();  // destroying the manager must not close anything of the parent's
        return faults;
    });
    EXPECT_EQ(WaitChild(child), 0);

    // The parent's connection is untouched and sees the child's commit.
    EXPECT_EQ(store->ConnectionOwner(), parent);
    EXPECT_EQ(store->GetTask("shared").message, "child");
    store->AddNotification("shared", "{}");
    EXPECT_EQ(store->GetTask("shared").notifications.size(), 1u);
    EXPECT_EQ(RawDb(path_).Query("PRAGMA integrity_check"), "ok");
}

}  // namespace
