#include <gtest/gtest.h>

#include <fstream>

#include "../platform/host/taskdb/TaskStoreTestSupport.hpp"
#include "platform/host/taskdb/TaskDBError.hpp"
#include "tasks/TaskDB.hpp"

namespace {

using TaskStoreTest::RawDb;
using TaskStoreTest::TempDir;

constexpr const char* kBase = "/var/orvane/lifecycle/task-status.json";

// Points HOSTPREFD_ROOT at a temporary host tree for the length of a test.
class TaskDBTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("HOSTPREFD_ROOT", root_.File("").c_str(), 1);
        std::filesystem::create_directories(std::filesystem::path(dbPath_).parent_path());
    }
    void TearDown() override { unsetenv("HOSTPREFD_ROOT"); }

    TempDir root_;
    std::string dbPath_ = root_.File("var/orvane/lifecycle/task-status.json.db");
};

TEST_F(TaskDBTest, MissingStoreIsCreatedWithItsDirectoriesWhateverTheFlag)
{
    for (bool create : {false, true}) {
        std::filesystem::remove_all(root_.File("var"));
        LifeCycle::TaskDB db(kBase, create);
        EXPECT_EQ(db.DbPath(), dbPath_);
        ASSERT_TRUE(std::filesystem::exists(dbPath_)) << "create=" << create;
        EXPECT_TRUE(db.Manager()->GetAllTasks().empty());
    }
}

TEST_F(TaskDBTest, ExistingStoreIsInitializedOnlyWhenAskedTo)
{
    // A store in the first layout: Initialize would upgrade it, so its version tells
    // whether Initialize ran.
    RawDb(dbPath_).Exec(
        "CREATE TABLE tasks (id TEXT PRIMARY KEY, status TEXT, created TEXT, start_time TEXT, end_time TEXT,"
        " completed INTEGER, total INTEGER, result TEXT, error TEXT, notifications TEXT);"
        "INSERT INTO tasks (id, status) VALUES ('old', 'PENDING');");
    LifeCycle::TaskDB reopened(kBase, false);
    EXPECT_EQ(RawDb(dbPath_).Query("PRAGMA user_version"), "0");
    EXPECT_THROW(reopened.Manager()->GetAllTasks(), ::TaskDB::TaskDBError);

    LifeCycle::TaskDB atStart(kBase, true);
    EXPECT_EQ(RawDb(dbPath_).Query("PRAGMA user_version"), "1");
    EXPECT_EQ(atStart.Manager()->GetTask("old").status, "PENDING");
    EXPECT_EQ(reopened.Manager()->GetAllTasks().size(), 1u)
        << "the earlier object now finds it initialized too";
}

TEST_F(TaskDBTest, BrokenStoreIsNotTouchedUnlessInitializedButAFileForItsDirectoryFails)
{
    std::ofstream(dbPath_) << "garbage that is no database at all, long enough to have a header";
    EXPECT_NO_THROW(LifeCycle::TaskDB(kBase, false));
    std::filesystem::remove_all(root_.File("var/orvane/lifecycle"));
    std::ofstream(root_.File("var/orvane/lifecycle")) << "not a directory";
    EXPECT_THROW(LifeCycle::TaskDB(kBase, false), ::TaskDB::TaskDBError);
}

}  // namespace
