#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <regex>
#include <thread>

#include "TaskStoreTestSupport.hpp"
#include "platform/host/taskdb/TaskDBError.hpp"
#include "platform/host/taskdb/TaskManager.hpp"
#include "platform/host/taskdb/TaskTime.hpp"

namespace {

using TaskDB::TaskManager;
using TaskStoreTest::RawDb;
using TaskStoreTest::TempDir;

bool IsUtcTime(const std::string& text)
{
    static const std::regex format(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}Z)");
    return std::regex_match(text, format);
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

TEST_F(TaskManagerTest, RecordsEachStepOfATaskLife)
{
    store_->CreateNamedTask("t1", "apply", 5, "root");
    TaskDB::TaskInfo created = ReadBack("t1");
    EXPECT_EQ(created.id, "t1");
    EXPECT_EQ(created.operation, "apply");
    EXPECT_EQ(created.user, "root");
    EXPECT_EQ(created.status, "PENDING");
    EXPECT_TRUE(IsUtcTime(created.created)) << created.created;
    EXPECT_EQ(created.startTime, "");
    EXPECT_EQ(created.startProgress, 5);
    EXPECT_EQ(created.completed, 0);
    EXPECT_EQ(created.total, 0);

    store_->StartTask("t1", 5);
    TaskDB::TaskInfo started = ReadBack("t1");
    EXPECT_EQ(started.status, "RUNNING");
    EXPECT_TRUE(IsUtcTime(started.startTime)) << started.startTime;
    EXPECT_GE(started.startTime, created.created);
    EXPECT_EQ(started.endTime, "");
    EXPECT_EQ(started.completed, 5);
    EXPECT_EQ(started.total, 100);

    // Progress is stored as given, even outside 0..100.
    store_->SetProgress("t1", 250, "");
    EXPECT_EQ(ReadBack("t1").completed, 250);
    store_->SetProgress("t1", -7, "");
    EXPECT_EQ(ReadBack("t1").completed, -7);
    store_->SetProgress("t1", 42, "copying");
    store_->AddNotification("t1", R"({"kind":0,"id":"a"})");
    store_->AddNotification("t1", R"({"kind":2,"id":"b"})");
    store_->SetSucceeded("t1", R"({"ok":true})");

    TaskDB::TaskInfo done = ReadBack("t1");
    EXPECT_EQ(done.status, "SUCCEEDED");
    EXPECT_EQ(done.completed, 42);
    EXPECT_EQ(done.message, "copying");
    EXPECT_EQ(done.startTime, started.startTime);
    EXPECT_TRUE(IsUtcTime(done.endTime)) << done.endTime;
    EXPECT_GE(done.endTime, done.startTime);
    EXPECT_EQ(done.result, R"({"ok":true})");
    EXPECT_EQ(done.notifications,
              (std::vector<std::string>{R"({"kind":0,"id":"a"})", R"({"kind":2,"id":"b"})"}));
    EXPECT_TRUE(done.errorText.empty());

    // GetAllTasks reads the same record as GetTask.
    auto all = TaskManager::FromPath(path_)->GetAllTasks();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all["t1"].notifications, done.notifications);
    EXPECT_EQ(all["t1"].endTime, done.endTime);
}

TEST_F(TaskManagerTest, EachFinalUpdateReplacesTheWholeOutcome)
{
    store_->CreateTask("t", 5);
    store_->StartTask("t", 5);

    store_->SetFailedWithMessage("t", "com.orvane.tarn.x.error", {"first", "", "third"});
    TaskDB::TaskInfo byMessage = ReadBack("t");
    EXPECT_EQ(byMessage.status, "FAILED");
    EXPECT_EQ(byMessage.errorId, "com.orvane.tarn.x.error");
    EXPECT_EQ(byMessage.errorArgs, (std::vector<std::string>{"first", "", "third"}));

    store_->SetFailed("t", R"({"partial":1})", R"({"error":"e"})");
    TaskDB::TaskInfo withResult = ReadBack("t");
    EXPECT_EQ(withResult.result, R"({"partial":1})");
    EXPECT_EQ(withResult.errorText, R"({"error":"e"})");
    EXPECT_EQ(withResult.errorId, "");
    EXPECT_TRUE(withResult.errorArgs.empty());

    store_->SetFailed("t", R"({"error":"f"})");
    TaskDB::TaskInfo errorOnly = ReadBack("t");
    EXPECT_EQ(errorOnly.result, "");
    EXPECT_EQ(errorOnly.errorText, R"({"error":"f"})");

    store_->SetSucceeded("t", "");
    TaskDB::TaskInfo succeeded = ReadBack("t");
    EXPECT_EQ(succeeded.status, "SUCCEEDED");
    EXPECT_EQ(succeeded.errorText, "");
}

TEST_F(TaskManagerTest, TaskEndedBeforeItStartedGetsAStartTime)
{
    store_->CreateTask("aborted", 5);
    store_->SetFailed("aborted", R"({"error":"aborted"})");
    TaskDB::TaskInfo task = ReadBack("aborted");
    EXPECT_EQ(task.status, "FAILED");
    EXPECT_FALSE(task.endTime.empty());
    EXPECT_EQ(task.startTime, task.endTime);
}

TEST_F(TaskManagerTest, UnknownIdsThrowAndChangeNothing)
{
    store_->CreateTask("known", 5);
    using TaskDB::TaskNotFound;
    EXPECT_THROW(store_->StartTask("other", 5), TaskNotFound);
    EXPECT_THROW(store_->SetProgress("other", 1, ""), TaskNotFound);
    EXPECT_THROW(store_->AddNotification("other", "{}"), TaskNotFound);
    EXPECT_THROW(store_->SetSucceeded("other", "{}"), TaskNotFound);
    EXPECT_THROW(store_->SetFailed("other", "{}"), TaskNotFound);
    EXPECT_THROW(store_->SetFailed("other", "{}", "{}"), TaskNotFound);
    EXPECT_THROW(store_->SetFailedWithMessage("other", "id", {"arg"}), TaskNotFound);
    EXPECT_THROW(store_->GetTask("other"), TaskNotFound);

    // A failed operation leaves no stray rows behind (its transaction rolled back).
    RawDb raw(path_);
    EXPECT_EQ(raw.Query("SELECT count(*) FROM task_notifications"), "0");
    EXPECT_EQ(raw.Query("SELECT count(*) FROM task_error_args"), "0");
    EXPECT_EQ(store_->GetAllTasks().size(), 1u);
}

TEST_F(TaskManagerTest, DuplicateCreateThrowsAndKeepsTheFirstRecord)
{
    store_->CreateNamedTask("t", "first", 5);
    EXPECT_THROW(store_->CreateNamedTask("t", "second", 5), TaskDB::TaskAlreadyExists);
    EXPECT_THROW(store_->CreateTask("t", 5), TaskDB::TaskAlreadyExists);
    EXPECT_EQ(ReadBack("t").operation, "first");
    EXPECT_THROW(store_->CreateTask("", 5), TaskDB::TaskDBError);
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
    EXPECT_EQ(after.operation, before.operation);
    EXPECT_EQ(after.user, before.user);
    EXPECT_EQ(after.status, "RUNNING");
    EXPECT_EQ(after.startTime, before.startTime);
    EXPECT_EQ(after.notifications.size(), 1u);
    RawDb raw(path_);
    EXPECT_EQ(raw.Query("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(raw.Query("PRAGMA user_version"), "1");
}

TEST_F(TaskManagerTest, WriterWaitsForAnotherConnectionsLock)
{
    store_->CreateTask("t", 5);
    RawDb holder(path_);
    holder.Exec("BEGIN IMMEDIATE");
    holder.Exec("UPDATE tasks SET message = 'held' WHERE id = 't'");
    const auto begin = std::chrono::steady_clock::now();
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        holder.Exec("COMMIT");
    });
    store_->SetProgress("t", 10, "after");
    const auto waited = std::chrono::steady_clock::now() - begin;
    releaser.join();
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_EQ(ReadBack("t").message, "after");
    EXPECT_EQ(ReadBack("t").completed, 10);
}

TEST_F(TaskManagerTest, ThreadsMayShareOneManager)
{
    store_->CreateTask("t", 5);
    constexpr int kThreads = 4;
    constexpr int kEach = 100;
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back([&, thread] {
            for (int i = 0; i < kEach; ++i) {
                store_->AddNotification("t", std::to_string(thread * kEach + i));
                store_->GetTask("t");
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::vector<std::string> notes = ReadBack("t").notifications;
    ASSERT_EQ(notes.size(), static_cast<size_t>(kThreads * kEach));
    std::sort(notes.begin(), notes.end(),
              [](const auto& a, const auto& b) { return std::stoi(a) < std::stoi(b); });
    for (int i = 0; i < kThreads * kEach; ++i) {
        EXPECT_EQ(notes[i], std::to_string(i));
    }
}

class TaskStoreFileTest : public ::testing::Test {
protected:
    TempDir dir_;
    std::string path_ = dir_.File("task-status.json.db");
};

// The first layout: one table, NULLs allowed, notifications as a JSON array text.
void WriteFirstLayout(const std::string& path)
{
    RawDb raw(path);
    raw.Exec(
        "CREATE TABLE tasks (id TEXT PRIMARY KEY, status TEXT, created TEXT, start_time TEXT, end_time TEXT,"
        " completed INTEGER, total INTEGER, result TEXT, error TEXT, notifications TEXT);"
        "INSERT INTO tasks VALUES ('done', 'SUCCEEDED', '2024-01-01T00:00:00.000Z', "
        "'2024-01-01T00:00:01.000Z',"
        " '2024-01-01T00:00:09.000Z', 100, 100, '{\"r\":1}', NULL, '[{\"kind\":0},{\"kind\":1}]');"
        "INSERT INTO tasks VALUES ('bad', 'FAILED', NULL, NULL, NULL, NULL, NULL, NULL, '{\"e\":2}', 'not "
        "json');"
        "INSERT INTO tasks VALUES ('pending', NULL, '2024-01-02T00:00:00.000Z', NULL, NULL, 0, 0, NULL, "
        "NULL, NULL);");
}

TEST_F(TaskStoreFileTest, UpgradeOfTheFirstLayoutKeepsEveryRecord)
{
    WriteFirstLayout(path_);
    auto store = TaskManager::FromPath(path_);
    store->Initialize();

    auto tasks = store->GetAllTasks();
    ASSERT_EQ(tasks.size(), 3u);
    const TaskDB::TaskInfo& done = tasks["done"];
    EXPECT_EQ(done.status, "SUCCEEDED");
    EXPECT_EQ(done.startTime, "2024-01-01T00:00:01.000Z");
    EXPECT_EQ(done.endTime, "2024-01-01T00:00:09.000Z");
    EXPECT_EQ(done.completed, 100);
    EXPECT_EQ(done.result, R"({"r":1})");
    EXPECT_EQ(done.notifications, (std::vector<std::string>{R"({"kind":0})", R"({"kind":1})"}));
    EXPECT_EQ(tasks["bad"].errorText, R"({"e":2})");
    EXPECT_EQ(tasks["bad"].notifications, std::vector<std::string>{"not json"});
    EXPECT_EQ(tasks["pending"].status, "");
    EXPECT_EQ(tasks["pending"].created, "2024-01-02T00:00:00.000Z");

    // Upgraded records take the new operations, after what they already had.
    store->AddNotification("done", R"({"kind":2})");
    EXPECT_EQ(store->GetTask("done").notifications.back(), R"({"kind":2})");
    store->StartTask("pending", 5);
    EXPECT_EQ(store->GetTask("pending").status, "RUNNING");

    RawDb raw(path_);
    EXPECT_EQ(raw.Query("PRAGMA user_version"), "1");
    EXPECT_EQ(raw.Query("SELECT count(*) FROM sqlite_master WHERE name = 'tasks_first_layout'"), "0");
    EXPECT_EQ(raw.Query("PRAGMA integrity_check"), "ok");
}

TEST_F(TaskStoreFileTest, OperationsRefuseAStoreThatWasNotInitialized)
{
    auto store = TaskManager::FromPath(path_);
    EXPECT_THROW(store->GetAllTasks(), TaskDB::TaskDBError);
    EXPECT_THROW(store->CreateTask("t", 5), TaskDB::TaskDBError);
    EXPECT_FALSE(std::filesystem::exists(path_)) << "only Initialize may create the file";

    WriteFirstLayout(path_);
    try {
        store->GetAllTasks();
        FAIL() << "an old layout was read without Initialize";
    } catch (const TaskDB::TaskDBError& error) {
        EXPECT_NE(std::string(error.what()).find("not initialized"), std::string::npos) << error.what();
    }
}

TEST_F(TaskStoreFileTest, NewerLayoutIsRefusedAndLeftAlone)
{
    {
        RawDb raw(path_);
        raw.Exec("CREATE TABLE tasks (id TEXT); PRAGMA user_version = 7;");
    }
    EXPECT_THROW(TaskManager::FromPath(path_)->Initialize(), TaskDB::TaskDBError);
    EXPECT_EQ(RawDb(path_).Query("PRAGMA user_version"), "7");
}

TEST_F(TaskStoreFileTest, GarbageFileGivesAClearErrorAndStaysAsItWas)
{
    const std::string garbage(4096, '\x5a');
    std::ofstream(path_, std::ios::binary) << garbage;
    auto store = TaskManager::FromPath(path_);
    try {
        store->Initialize();
        FAIL() << "Initialize accepted a file that is no database";
    } catch (const TaskDB::TaskDBError& error) {
        const std::string what = error.what();
        EXPECT_NE(what.find(path_), std::string::npos) << what;
        EXPECT_NE(what.find("not a database"), std::string::npos) << what;
    }
    EXPECT_THROW(store->GetAllTasks(), TaskDB::TaskDBError);
    std::ifstream in(path_, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, garbage);
}

TEST_F(TaskStoreFileTest, MissingDirectoryFailsWithoutCreatingIt)
{
    const std::string path = dir_.File("absent/task-status.json.db");
    EXPECT_THROW(TaskManager::FromPath(path)->Initialize(), TaskDB::TaskDBError);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("absent")));
}

TEST(TaskTimeTest, FormatsUtcWithMilliseconds)
{
    using namespace std::chrono;
    const system_clock::time_point epoch{};
    EXPECT_EQ(TaskDB::FormatUtcTime(epoch), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(TaskDB::FormatUtcTime(epoch + seconds(1709251199) + milliseconds(7) + microseconds(999)),
              "2024-02-29T23:59:59.007Z");
    // Before 1970 the fraction still counts forward within its second.
    EXPECT_EQ(TaskDB::FormatUtcTime(epoch - milliseconds(1)), "1969-12-31T23:59:59.999Z");
}

}  // namespace
