#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "CapturedLog.hpp"
#include "ScratchHostRoot.hpp"
#include "platform/host/HostRoot.hpp"
#include "util/FileHelpers.hpp"

namespace {

namespace fs = std::filesystem;

std::string ReadHostFile(const std::string& hostPath)
{
    std::ifstream in(HostRoot::Path(hostPath), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FileHelpersTest, WriteCreatesMissingDirectoriesAndTruncates)
{
    UtilTest::ScratchHostRoot root;
    const std::string path = "/var/orvane/lifecycle/deep/er/doc.json";
    const std::string binary("a\0b\nc", 5);
    LifeCycle::WriteToFile(path, binary);
    EXPECT_EQ(ReadHostFile(path), binary);
    LifeCycle::WriteToFile(path, "x");
    EXPECT_EQ(ReadHostFile(path), "x");
    LifeCycle::RemoveFiles({path, "/var/missing", path});  // what is not there is no error
    EXPECT_FALSE(fs::exists(HostRoot::Path(path)));
}

TEST(FileHelpersTest, WriteThatCannotSucceedThrowsAndLeavesNothing)
{
    UtilTest::ScratchHostRoot root;
    root.Write("/var/blocker", "a file where a directory is needed");
    TestLog::CapturedLog log;
    EXPECT_THROW(LifeCycle::WriteToFile("/var/blocker/sub/doc", "x"), LifeCycle::FileIOError);
    EXPECT_GE(TestLog::CapturedLog::Find(log.Take(), "[WriteToFile] Failed to create directory /var/blocker/sub"), 0);

    // The target is a directory: it cannot be opened for writing, and is left as it was.
    fs::create_directories(HostRoot::Path("/var/dir"));
    EXPECT_THROW(LifeCycle::WriteToFile("/var/dir", "x"), LifeCycle::FileIOError);
    EXPECT_TRUE(fs::is_directory(HostRoot::Path("/var/dir")));

    // A full device fails the write (or its flush); what stood at the path is dropped.
    if (fs::exists("/dev/full")) {
        fs::create_directories(HostRoot::Path("/var/full"));
        fs::create_symlink("/dev/full", HostRoot::Path("/var/full/doc"));
        EXPECT_THROW(LifeCycle::WriteToFile("/var/full/doc", std::string(1 << 16, 'x')), LifeCycle::FileIOError);
        EXPECT_FALSE(fs::exists(fs::symlink_status(HostRoot::Path("/var/full/doc"))));
    }
}

}  // namespace
