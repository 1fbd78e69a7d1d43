#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <thread>

#include "TaskStoreTestSupport.hpp"
#include "platform/host/taskdb/TaskDBError.hpp"
#include "platform/host/taskdb/TaskManager.hpp"
#include "platform/host/taskdb/TaskSchema.hpp"

namespace {

using TaskDB::TaskDBError;
using TaskDB::TaskManager;
using TaskStoreTest::Outcome;
using TaskStoreTest::RawDb;
using TaskStoreTest::TempDir;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

bool IsUtcTime(const std::string& text)
{
    return std::regex_match(text, std::regex(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}Z)"));
}

class TaskManagerTest : public ::testing::Test {
protected:
    void SetUp() override { store_->Initialize(); }

    // A second manager on the same file: what it reads came from disk, not from store_.
    TaskDB::TaskInfo ReadBack(const std::string& id) { return TaskManager::FromPath(path_)->GetTask(id); }

    TempDir dir_;
    std::string path_ = dir_.File("task-status.json.db");
    std::shared_ptr<TaskManager> store_ = TaskManager::FromPath(path_);
};

TEST_F(TaskManagerTest, RecordsEachStepOfATaskLifeAndEachFinalUpdateReplacesTheOutcome)
{
    store_->CreateNamedTask("t1", "apply", 5, "root");
    const TaskDB::TaskInfo created = ReadBack("t1");
    EXPECT_EQ(created.operation + " " + created.user + " " + std::to_string(created.startProgress),
              "apply root 5");
    EXPECT_EQ(Outcome(created), "PENDING 0/0 msg= result= error= id= args= notes=");
    EXPECT_TRUE(IsUtcTime(created.created) && created.startTime.empty()) << created.created;

    store_->StartTask("t1", 5);
    const TaskDB::TaskInfo started = ReadBack("t1");
    EXPECT_EQ(Outcome(started), "RUNNING 5/100 msg= result= error= id= args= notes=");
    EXPECT_TRUE(IsUtcTime(started.startTime) && started.startTime >= created.created) << started.startTime;

    // Progress is stored as given, even outside 0..100.
    for (int progress : {250, -7, 42}) {
        store_->SetProgress("t1", progress, progress == 42 ? "copying" : "");
        EXPECT_EQ(ReadBack("t1").completed, progress);
    }
    store_->AddNotification("t1", R"({"kind":0})");
    store_->AddNotification("t1", R"({"kind":2})");
    store_->SetSucceeded("t1", R"({"ok":true})");
    const TaskDB::TaskInfo done = TaskManager::FromPath(path_)->GetAllTasks()["t1"];
    EXPECT_EQ(
        Outcome(done),
        R"(SUCCEEDED 42/100 msg=copying result={"ok":true} error= id= args= notes={"kind":0};{"kind":2};)");
    EXPECT_EQ(done.startTime, started.startTime);
    EXPECT_TRUE(IsUtcTime(done.endTime) && done.endTime >= done.startTime) << done.endTime;

    store_->SetFailedWithMessage("t1", "com.orvane.tarn.x.error", {"first", "", "third"});
    EXPECT_EQ(
        Outcome(ReadBack("t1")),
        R"(FAILED 42/100 msg=copying result= error= id=com.orvane.tarn.x.error args=[first][][third] notes={"kind":0};{"kind":2};)");
    store_->SetFailed("t1", R"({"partial":1})", R"({"error":"e"})");
    EXPECT_EQ(
        Outcome(ReadBack("t1")),
        R"(FAILED 42/100 msg=copying result={"partial":1} error={"error":"e"} id= args= notes={"kind":0};{"kind":2};)");
    store_->SetFailed("t1", R"({"error":"f"})");
    EXPECT_EQ(
        Outcome(ReadBack("t1")),
        R"(FAILED 42/100 msg=copying result= error={"error":"f"} id= args= notes={"kind":0};{"kind":2};)");

    store_->CreateTask("aborted", 5);
    store_->SetFailed("aborted", R"({"error":"aborted"})");
    const TaskDB::TaskInfo aborted = ReadBack("aborted");
    EXPECT_EQ(aborted.status, "FAILED");
    EXPECT_TRUE(!aborted.endTime.empty() && aborted.startTime == aborted.endTime)
        << "a task ended before it started gets a start time";
}

TEST_F(TaskManagerTest, UnknownOrDuplicateIdsThrowAndChangeNothing)
{
    store_->CreateNamedTask("known", "first", 5);
    using TaskDB::TaskNotFound;
    EXPECT_THROW(store_->StartTask("other", 5), TaskNotFound);
    EXPECT_THROW(store_->SetProgress("other", 1, ""), TaskNotFound);
    EXPECT_THROW(store_->AddNotification("other", "{}"), TaskNotFound);
    EXPECT_THROW(store_->SetSucceeded("other", "{}"), TaskNotFound);
    EXPECT_THROW(store_->SetFailed("other", "{}"), TaskNotFound);
    EXPECT_THROW(store_->SetFailed("other", "{}", "{}"), TaskNotFound);
    EXPECT_THROW(store_->SetFailedWithMessage("other", "id", {"arg"}), TaskNotFound);
    EXPECT_THROW(store_->GetTask("other"), TaskNotFound);
    EXPECT_THROW(store_->CreateNamedTask("known", "second", 5), TaskDB::TaskAlreadyExists);
    EXPECT_THROW(store_->CreateTask("known", 5), TaskDB::TaskAlreadyExists);
    EXPECT_THROW(store_->CreateTask("", 5), TaskDBError);

    // A failed operation leaves no stray rows behind (its transaction rolled back).
    RawDb raw(path_);
    EXPECT_EQ(raw.Query("SELECT count(*) FROM task_notifications") +
                  raw.Query("SELECT count(*) FROM task_error_args"),
              "00");
    EXPECT_EQ(store_->GetAllTasks().size(), 1u);
    EXPECT_EQ(ReadBack("known").operation, "first");
}

TEST_F(TaskManagerTest, InitializeOnAnExistingStoreKeepsItsRecords)
{
    store_->CreateNamedTask("kept", "apply", 5, "admin");
    store_->StartTask("kept", 5);
    store_->AddNotification("kept", "{}");
    const TaskDB::TaskInfo before = ReadBack("kept");
    store_->Initialize();
    auto other = TaskManager::FromPath(path_);
    other->Initialize();
    const TaskDB::TaskInfo after = other->GetTask("kept");
    EXPECT_EQ(
        after.user + " " + after.startTime + " " + Outcome(after),
        before.user + " " + before.startTime + " RUNNING 5/100 msg= result= error= id= args= notes={};");
    // Every connection waits for other writers and commits durably: FULL, not the NORMAL
    // often used with WAL, which can lose the last commits on power loss.
    RawDb connection(path_);
    EXPECT_EQ(connection.Query("PRAGMA journal_mode") + " " + connection.Query("PRAGMA synchronous") + " " +
                  connection.Query("PRAGMA busy_timeout"),
              "wal 2 5000");
}

TEST_F(TaskManagerTest, WriterWaitsForAnotherConnectionsLockAndThreadsMayShareOneManager)
{
    store_->CreateTask("t", 5);
    RawDb holder(path_);
    holder.Exec("BEGIN IMMEDIATE; UPDATE tasks SET message = 'held' WHERE id = 't'");
    const auto begin = std::chrono::steady_clock::now();
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        holder.Exec("COMMIT");
    });
    store_->SetProgress("t", 10, "after");
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(250));
    releaser.join();
    EXPECT_EQ(ReadBack("t").message, "after");

    constexpr int kThreads = 4, kEach = 100;
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back([&, thread] {
            for (int i = 0; i < kEach; ++i) {
                store_->AddNotification("t", std::to_string(thread * kEach + i));
                store_->GetTask("t");
            }
        });
    }
    for (auto& thread : threads) thread.join();
    std::vector<int> notes;
    for (const std::string& note : ReadBack("t").notifications) notes.push_back(std::stoi(note));
    std::sort(notes.begin(), notes.end());
    ASSERT_EQ(notes.size(), static_cast<size_t>(kThreads * kEach));
    for (int i = 0; i < kThreads * kEach; ++i) EXPECT_EQ(notes[i], i);
}

TEST_F(TaskManagerTest, UpgradeOfTheFirstLayoutKeepsEveryRecord)
{
    const std::string path = dir_.File("old.db");
    auto store = TaskManager::FromPath(path);
    EXPECT_THROW(store->CreateTask("t", 5), TaskDBError);
    EXPECT_FALSE(std::filesystem::exists(path)) << "only Initialize may create the file";
    RawDb(path).Exec(
        std::string(TaskStoreTest::kFirstLayout) +
        "INSERT INTO tasks VALUES ('done', 'SUCCEEDED', '2024-01-01T00:00:00.000Z', "
        "'2024-01-01T00:00:01.000Z', '2024-01-01T00:00:09.000Z', 100, 100, '{\"r\":1}', NULL, "
        "'[{\"kind\":0},{\"kind\":1}]');"
        "INSERT INTO tasks VALUES ('bad', 'FAILED', NULL, NULL, NULL, NULL, NULL, NULL, '{\"e\":2}', "
        "'not json');"
        "INSERT INTO tasks VALUES ('pending', NULL, '2024-01-02T00:00:00.000Z', NULL, NULL, 0, 0, NULL, "
        "NULL, NULL);");
    EXPECT_THAT([&] { store->GetAllTasks(); }, ThrowsMessage<TaskDBError>(HasSubstr("not initialized")));
    store->Initialize();

    auto tasks = store->GetAllTasks();
    ASSERT_EQ(tasks.size(), 3u);
    EXPECT_EQ(Outcome(tasks["done"]),
              R"(SUCCEEDED 100/100 msg= result={"r":1} error= id= args= notes={"kind":0};{"kind":1};)");
    EXPECT_EQ(tasks["done"].startTime + " " + tasks["done"].endTime,
              "2024-01-01T00:00:01.000Z 2024-01-01T00:00:09.000Z");
    EXPECT_EQ(Outcome(tasks["bad"]), R"(FAILED 0/0 msg= result= error={"e":2} id= args= notes=not json;)");
    EXPECT_EQ(Outcome(tasks["pending"]), " 0/0 msg= result= error= id= args= notes=");
    EXPECT_EQ(tasks["pending"].created, "2024-01-02T00:00:00.000Z");

    // Upgraded records take the new operations, after what they already had.
    store->AddNotification("done", R"({"kind":2})");
    EXPECT_EQ(store->GetTask("done").notifications.back(), R"({"kind":2})");
    store->StartTask("pending", 5);
    EXPECT_EQ(store->GetTask("pending").status, "RUNNING");
    RawDb raw(path);
    EXPECT_EQ(raw.Query("PRAGMA user_version"), std::to_string(::TaskDB::TaskSchema::kCurrentVersion));
    EXPECT_EQ(raw.Query("SELECT count(*) FROM sqlite_master WHERE name = 'tasks_first_layout'"), "0");
    EXPECT_EQ(store->CheckIntegrity(), "ok");
}

// A store of the layout before runners were recorded, written by a daemon that then died:
// the upgrade keeps its records, and only the restarted daemon's own unfinished tasks end.
TEST_F(TaskManagerTest, ARestartedDaemonEndsOnlyItsOwnUnfinishedTasks)
{
    const std::string path = dir_.File("v1.db");
    auto store = TaskManager::FromPath(path);
    store->Initialize();
    store->CreateTask("old-tool", 5);
    RawDb(path).Exec("ALTER TABLE tasks DROP COLUMN runner; PRAGMA user_version = 1;");
    store = TaskManager::FromPath(path);
    store->Initialize();
    const std::string daemon = TaskManager::kDaemonRunner;
    store->CreateNamedTask("apply", "configuration.apply", 5, "", daemon);
    store->StartTask("apply", 5);
    store->CreateNamedTask("queued", "keys.set", 5, "", daemon);
    store->CreateNamedTask("done", "configuration.validate", 5, "", daemon);
    store->SetSucceeded("done", "");
    store->CreateTask("tool", 5);
    store->StartTask("tool", 5);

    EXPECT_EQ(store->FailUnfinished(daemon, R"({"e":"restarted"})"), (std::vector<std::string>{"apply", "queued"}));
    auto tasks = store->GetAllTasks();
    EXPECT_EQ(Outcome(tasks["apply"]), R"(FAILED 5/100 msg= result= error={"e":"restarted"} id= args= notes=)");
    EXPECT_EQ(tasks["queued"].status + " " + std::to_string(tasks["queued"].startTime == tasks["queued"].endTime),
              "FAILED 1");
    EXPECT_EQ(tasks["done"].status + tasks["tool"].status + tasks["old-tool"].status, "SUCCEEDEDRUNNINGPENDING");
}

TEST_F(TaskManagerTest, BadFilesAndDirectoriesAreRefusedAndLeftAlone)
{
    const std::string newer = dir_.File("newer.db");
    RawDb(newer).Exec("CREATE TABLE tasks (id TEXT); PRAGMA user_version = 7;");
    EXPECT_THROW(TaskManager::FromPath(newer)->Initialize(), TaskDBError) << "a newer layout";
    EXPECT_EQ(RawDb(newer).Query("PRAGMA user_version"), "7");

    const std::string garbagePath = dir_.File("garbage.db");
    const std::string garbage(4096, '\x5a');
    dir_.Write("garbage.db", garbage);
    auto store = TaskManager::FromPath(garbagePath);
    EXPECT_THAT([&] { store->Initialize(); },
                ThrowsMessage<TaskDBError>(AllOf(HasSubstr(garbagePath), HasSubstr("not a database"))));
    EXPECT_THROW(store->GetAllTasks(), TaskDBError);
    EXPECT_EQ(dir_.Read("garbage.db"), garbage);

    EXPECT_THROW(TaskManager::FromPath(dir_.File("absent/task-status.json.db"))->Initialize(), TaskDBError);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("absent"))) << "a missing directory is not created";
}

}  // namespace
