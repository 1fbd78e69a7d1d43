#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <optional>
#include <string>

#include "util/AccessLock.hpp"

namespace {

using LifeCycle::AccessLock;

// Unique per test process, so parallel test runs do not share lock names.
std::string LockPath(const std::string& leaf) { return "/tmp/accesslock-" + std::to_string(getpid()) + "/" + leaf; }

// The errno with which taking the lock of `path` fails, or 0 when it is acquired.
int TakeError(const std::string& path, int retries = 0)
{
    try {
        AccessLock lock(path, retries);
        return 0;
    } catch (const LifeCycle::AccessLockError& e) {
        return e.Error();
    }
}

TEST(AccessLockTest, NameIsTheDigestOfThePathMadeAbsolute)
{
    const std::string name = AccessLock::NameFor("/var/orvane/lifecycle/lifecycle.task");
    EXPECT_EQ(name.size(), 12u + 64u);
    EXPECT_EQ(name.rfind("/com/orvane/", 0), 0u);
    EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 12), std::string::npos);
    EXPECT_NE(name, AccessLock::NameFor("/var/orvane/lifecycle/lifecycle.apply.pid"));
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(AccessLock::NameFor("some/file"), AccessLock::NameFor(std::string(cwd) + "/some/file"));
    EXPECT_NE(AccessLock::NameFor("some/file"), AccessLock::NameFor("./some/file")) << "no normalisation";
}

TEST(AccessLockTest, SecondHolderIsRefusedUntilTheFirstReleases)
{
    const std::string path = LockPath("a");
    std::optional<AccessLock> first(std::in_place, path, 0);
    EXPECT_EQ(TakeError(path), EADDRINUSE);
    EXPECT_EQ(TakeError(LockPath("b")), 0) << "another path is another lock";
    first->Release();
    first->Release();  // releasing twice is harmless
    EXPECT_EQ(TakeError(path), 0);

    // A relative spelling of a held path is the same lock.
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    first.emplace(path, 0);
    ASSERT_EQ(chdir("/tmp"), 0);
    EXPECT_EQ(TakeError(path.substr(5)), EADDRINUSE);
    first.reset();
    EXPECT_EQ(TakeError(path.substr(5)), 0);
    ASSERT_EQ(chdir(cwd), 0);
}

TEST(AccessLockTest, LockOfAProcessThatDiesIsFreeAgain)
{
    const std::string path = LockPath("crash");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        AccessLock lock(path, 0);  // never released: the process is killed holding it
        [[maybe_unused]] ssize_t n = write(ready[1], "x", 1);
        pause();
    }
    char byte;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    EXPECT_EQ(TakeError(path), EADDRINUSE);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(TakeError(path), 0);
}

TEST(AccessLockTest, RetriesOnlyWhileTheNameIsInUseOneSecondApart)
{
    const std::string path = LockPath("retry");
    AccessLock holder(path, 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(TakeError(path, 2), EADDRINUSE);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(elapsed >= std::chrono::milliseconds(1900) && elapsed < std::chrono::milliseconds(2900));
}

}  // namespace
