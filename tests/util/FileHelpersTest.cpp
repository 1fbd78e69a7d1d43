#include <gtest/gtest.h>

#include <filesystem>

#include "../api/ApiTestSupport.hpp"
#include "platform/host/HostRoot.hpp"
#include "util/FileHelpers.hpp"

namespace {

namespace fs = std::filesystem;

TEST(FileHelpersTest, WriteCreatesMissingDirectoriesAndTruncates)
{
    ApiTest::EnvHostRoot root;
    const std::string path = "/var/orvane/lifecycle/deep/er/doc.json";
    const std::string binary("a\0b\nc", 5);
    LifeCycle::WriteToFile(path, binary);
    EXPECT_EQ(root.ReadFile(path), binary);
    LifeCycle::WriteToFile(path, "x");
    EXPECT_EQ(root.ReadFile(path), "x");
    LifeCycle::RemoveFiles({path, "/var/missing", path});  // what is not there is no error
    EXPECT_FALSE(fs::exists(HostRoot::Path(path)));
}

TEST(FileHelpersTest, WriteThatCannotSucceedThrowsAndLeavesNothing)
{
    ApiTest::EnvHostRoot root;
    root.WriteFile("/var/blocker", "a file where a directory is needed");
    LogCapture log;
    EXPECT_THROW(LifeCycle::WriteToFile("/var/blocker/sub/doc", "x"), LifeCycle::FileIOError);
    EXPECT_TRUE(log.Has("[WriteToFile] Failed to create directory /var/blocker/sub"));

    // The target is a directory: it cannot be opened for writing, and is left as it was.
    fs::create_directories(HostRoot::Path("/var/dir"));
    EXPECT_THROW(LifeCycle::WriteToFile("/var/dir", "x"), LifeCycle::FileIOError);
    EXPECT_TRUE(fs::is_directory(HostRoot::Path("/var/dir")));

    // A full device fails the write (or its flush); what stood at the path is dropped.
    if (fs::exists("/dev/full")) {
        fs::create_directories(HostRoot::Path("/var/full"));
        fs::create_symlink("/dev/full", HostRoot::Path("/var/full/doc"));
        EXPECT_THROW(LifeCycle::WriteToFile("/var/full/doc", std::string(1 << 16, 'x')),
                     LifeCycle::FileIOError);
        EXPECT_FALSE(fs::exists(fs::symlink_status(HostRoot::Path("/var/full/doc"))));
    }
}

}  // namespace
