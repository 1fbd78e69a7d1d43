#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <optional>

#include "util/AccessLock.hpp"

namespace {

using LifeCycle::AccessLock;

// Unique per test process, so parallel test runs do not share lock names.
std::string LockPath(const std::string& leaf)
{
    return "/tmp/accesslock-" + std::to_string(getpid()) + "/" + leaf;
}

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

// Other tools on the host take the same lock, so the name is the SHA-256 of the absolute path.
TEST(AccessLockTest, NameIsTheDigestOfTheAbsolutePath)
{
    EXPECT_EQ(AccessLock::NameFor("/var/orvane/lifecycle/lifecycle.task"),
              "/com/orvane/1ebb255e5c251deda74bedf8bf822c297cc05c464bbc77f82f7c12f1ec1ace4a");
}

TEST(AccessLockTest, SecondHolderIsRefusedAfterItsRetriesUntilTheFirstReleases)
{
    const std::string path = LockPath("a");
    std::optional<AccessLock> first(std::in_place, path, 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(TakeError(path, 2), EADDRINUSE);  // after two retries a second apart
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(elapsed >= std::chrono::milliseconds(1900) && elapsed < std::chrono::milliseconds(2900));
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

}  // namespace
