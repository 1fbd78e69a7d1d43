#include <gtest/gtest.h>

#include "../api/ApiTestSupport.hpp"
#include "../platform/host/taskdb/TaskStoreTestSupport.hpp"
#include "platform/host/taskdb/TaskDBError.hpp"
#include "platform/host/taskdb/TaskSchema.hpp"
#include "tasks/TaskDB.hpp"

namespace {

using TaskStoreTest::RawDb;

constexpr const char* kBase = "/var/orvane/lifecycle/task-status.json";

class TaskDBTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(std::filesystem::path(dbPath_).parent_path());
    }

    ApiTest::EnvHostRoot root_;
    std::string dbPath_ = root_.Path(std::string(kBase) + ".db");
};

TEST_F(TaskDBTest, MissingStoreIsCreatedWithItsDirectoriesWhateverTheFlag)
{
    for (bool create : {false, true}) {
        std::filesystem::remove_all(root_.Path("/var"));
        LifeCycle::TaskDB db(kBase, create);
        EXPECT_EQ(db.DbPath(), dbPath_);
        ASSERT_TRUE(std::filesystem::exists(dbPath_)) << "create=" << create;
        EXPECT_TRUE(db.Manager()->GetAllTasks().empty());
    }
}

TEST_F(TaskDBTest, ExistingOrBrokenStoresAreInitializedOnlyWhenAskedTo)
{
    std::ofstream(dbPath_) << "garbage that is no database at all, long enough to have a header";
    EXPECT_NO_THROW(LifeCycle::TaskDB(kBase, false)) << "a broken store is not touched unless initialized";
    std::filesystem::remove(dbPath_);
    // A store in the first layout: Initialize would upgrade it, so its version tells
    // whether Initialize ran.
    RawDb(dbPath_).Exec(std::string(TaskStoreTest::kFirstLayout) +
                        "INSERT INTO tasks (id, status) VALUES ('old', 'PENDING');");
    LifeCycle::TaskDB reopened(kBase, false);
    EXPECT_EQ(RawDb(dbPath_).Query("PRAGMA user_version"), "0");
    EXPECT_THROW(reopened.Manager()->GetAllTasks(), ::TaskDB::TaskDBError);

    LifeCycle::TaskDB atStart(kBase, true);
    EXPECT_EQ(RawDb(dbPath_).Query("PRAGMA user_version"), std::to_string(::TaskDB::TaskSchema::kCurrentVersion));
    EXPECT_EQ(atStart.Manager()->GetTask("old").status, "PENDING");
    EXPECT_EQ(reopened.Manager()->GetAllTasks().size(), 1u)
        << "the earlier object now finds it initialized too";

    // A file where the store's directory belongs fails even without initializing.
    std::filesystem::remove_all(root_.Path("/var/orvane/lifecycle"));
    std::ofstream(root_.Path("/var/orvane/lifecycle")) << "not a directory";
    EXPECT_THROW(LifeCycle::TaskDB(kBase, false), ::TaskDB::TaskDBError);
}

}  // namespace
