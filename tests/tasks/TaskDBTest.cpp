#include <gtest/gtest.h>

#include <fstream>
#include <optional>

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
        if (const char* old = std::getenv("HOSTPREFD_ROOT")) {
            savedRoot_ = old;
        }
        setenv("HOSTPREFD_ROOT", root_.Path().c_str(), 1);
    }
    void TearDown() override
    {
        if (savedRoot_) {
            setenv("HOSTPREFD_ROOT", savedRoot_->c_str(), 1);
        } else {
            unsetenv("HOSTPREFD_ROOT");
        }
    }

    // A store in the first layout with one record: Initialize would upgrade it, so its
    // layout version tells whether Initialize ran.
    void WriteOldStore()
    {
        std::filesystem::create_directories(std::filesystem::path(dbPath_).parent_path());
        RawDb raw(dbPath_);
        raw.Exec(
            "CREATE TABLE tasks (id TEXT PRIMARY KEY, status TEXT, created TEXT, start_time TEXT, end_time "
            "TEXT,"
            " completed INTEGER, total INTEGER, result TEXT, error TEXT, notifications TEXT);"
            "INSERT INTO tasks (id, status) VALUES ('old', 'PENDING');");
    }

    std::string LayoutVersion() { return RawDb(dbPath_).Query("PRAGMA user_version"); }

    TempDir root_;
    std::string dbPath_ = root_.File("var/orvane/lifecycle/task-status.json.db");
    std::optional<std::string> savedRoot_;
};

TEST_F(TaskDBTest, MissingStoreIsCreatedWithItsDirectoriesWhateverTheFlag)
{
    for (bool create : {false, true}) {
        std::filesystem::remove_all(root_.File("var"));
        LifeCycle::TaskDB db(kBase, create);
        EXPECT_EQ(db.BasePath(), kBase);
        EXPECT_EQ(db.DbPath(), dbPath_);
        ASSERT_TRUE(std::filesystem::exists(dbPath_)) << "create=" << create;
        db.Manager()->CreateTask("t", 5);
        EXPECT_EQ(db.Manager()->GetTask("t").status, "PENDING");
    }
}

TEST_F(TaskDBTest, ExistingStoreIsInitializedOnlyWhenAskedTo)
{
    WriteOldStore();
    LifeCycle::TaskDB reopened(kBase, false);
    EXPECT_EQ(LayoutVersion(), "0");
    EXPECT_THROW(reopened.Manager()->GetAllTasks(), ::TaskDB::TaskDBError);

    LifeCycle::TaskDB atStart(kBase, true);
    EXPECT_EQ(LayoutVersion(), "1");
    EXPECT_EQ(atStart.Manager()->GetTask("old").status, "PENDING");
    // The earlier object's manager now finds an initialized store too.
    EXPECT_EQ(reopened.Manager()->GetAllTasks().size(), 1u);
}

TEST_F(TaskDBTest, BrokenStoreFileSurfacesOnlyWhenInitialized)
{
    std::filesystem::create_directories(std::filesystem::path(dbPath_).parent_path());
    std::ofstream(dbPath_) << "garbage that is no database at all, long enough to have a header";
    EXPECT_NO_THROW(LifeCycle::TaskDB(kBase, false));
    EXPECT_THROW(LifeCycle::TaskDB(kBase, true), ::TaskDB::TaskDBError);
}

TEST_F(TaskDBTest, UncreatableDirectoryIsAStoreError)
{
    // A plain file where the directory should be.
    std::filesystem::create_directories(root_.File("var/orvane"));
    std::ofstream(root_.File("var/orvane/lifecycle")) << "not a directory";
    EXPECT_THROW(LifeCycle::TaskDB(kBase, false), ::TaskDB::TaskDBError);
}

}  // namespace
