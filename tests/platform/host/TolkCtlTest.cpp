// The command-line splitter and the detached start, with real processes: each started
// program reports on itself through /proc before it is stopped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/host/CommandLine.hpp"
#include "platform/host/TolkCtl.hpp"
#include "support/TempDir.hpp"

namespace {

namespace fs = std::filesystem;
using TolkCtl::Util::TolkCtl_Daemon;
using Words = std::vector<std::string>;

TEST(CommandLineTest, SplitsOnBlanksAndKeepsQuotedBlanks)
{
    const struct {
        std::string line;
        Words words;
    } cases[] = {
        {"", {}},
        {" \t\n ", {}},
        {"/bin/tool --a  b\t c\n", {"/bin/tool", "--a", "b", "c"}},
        {"tool \"two words\" x", {"tool", "two words", "x"}},
        {"tool pre\"mid dle\"post", {"tool", "premid dlepost"}},
        {"tool \"\" end", {"tool", "", "end"}},
        {"tool 'single quoted' a\\ b", {"tool", "'single", "quoted'", "a\\", "b"}},
        {"tool $HOME;rm *|x", {"tool", "$HOME;rm", "*|x"}},
    };
    for (const auto& c : cases) EXPECT_EQ(CommandLine::Split(c.line), c.words) << c.line;
    EXPECT_THROW(CommandLine::Split("tool \"open"), CommandLine::SyntaxError);
}

class TolkCtlTest : public testing::Test {
protected:
    void TearDown() override
    {
        for (pid_t pid : started_) kill(pid, SIGKILL);
    }

    // Starts a shell program that writes its pid to a file and then waits; returns the pid.
    pid_t StartReporting(const std::string& shell)
    {
        const std::string pidFile = root_.File("pid-" + std::to_string(started_.size()));
        const std::string command = shell + " -c \"echo $$ > " + pidFile + ".tmp; mv " + pidFile + ".tmp " +
                                    pidFile + "; exec sleep 30\"";
        EXPECT_EQ(TolkCtl_Daemon(command, false, false, true, true), 0) << command;
        for (int i = 0; i < 500; ++i) {
            pid_t pid = 0;
            if (std::ifstream(pidFile) >> pid && pid > 0) {
                started_.push_back(pid);
                return pid;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "the program never reported";
        return 0;
    }

    static std::string Link(pid_t pid, const std::string& entry)
    {
        std::error_code ignored;
        return fs::read_symlink("/proc/" + std::to_string(pid) + "/" + entry, ignored).string();
    }

    TestSupport::TempDir root_;
    std::vector<pid_t> started_;
};

TEST_F(TolkCtlTest, StartedProgramIsDetachedFromItsCaller)
{
    // A descriptor the caller leaves open across exec must still not reach the program.
    const int leaked = open("/dev/zero", O_RDONLY);
    ASSERT_GE(leaked, 3);
    const pid_t pid = StartReporting("/bin/sh");
    close(leaked);
    ASSERT_GT(pid, 0);

    EXPECT_NE(getsid(pid), getsid(0)) << "runs in a session of its own";
    EXPECT_NE(getsid(pid), pid) << "but does not lead it, so it can never take a terminal";
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1) << "not a child of the caller";
    EXPECT_EQ(ECHILD, errno);
    EXPECT_EQ(Link(pid, "cwd"), "/");
    for (const char* fd : {"fd/0", "fd/1", "fd/2"}) EXPECT_EQ(Link(pid, fd), "/dev/null") << fd;
    EXPECT_EQ(Link(pid, "fd/" + std::to_string(leaked)), "");
}

TEST_F(TolkCtlTest, LauncherDirectionsAreNotPassedOnAndSetTheMemoryLimit)
{
    const pid_t pid = StartReporting("/bin/sh ++group=hostprefd-task-forks,mem=300,stats");
    ASSERT_GT(pid, 0);
    std::ifstream limits("/proc/" + std::to_string(pid) + "/limits");
    std::string line;
    while (std::getline(limits, line) && line.rfind("Max address space", 0) != 0) {
    }
    EXPECT_NE(line.find(std::to_string(300L * 1024 * 1024)), std::string::npos) << line;

    // With a limit the host decides ("groupMax") nothing of ours applies, and the word is
    // still not an argument: the shell would take it for a script name and fail.
    EXPECT_GT(StartReporting("/bin/sh ++group=hostprefd-task-forks,mem=groupMax,stats"), 0);
}

TEST_F(TolkCtlTest, ProgramThatCannotRunReportsWhy)
{
    const std::string plain = root_.File("not-executable");
    std::ofstream(plain) << "#!/bin/sh\n";
    EXPECT_EQ(TolkCtl_Daemon("/nonexistent/tool --x", false, false, true, true), ENOENT);
    EXPECT_EQ(TolkCtl_Daemon(plain, false, false, true, true), EACCES);
    EXPECT_EQ(TolkCtl_Daemon("no-such-program-anywhere", false, false, true, true), ENOENT);
    EXPECT_THROW(TolkCtl_Daemon("   ", false, false, true, true), std::invalid_argument);
    EXPECT_THROW(TolkCtl_Daemon("/bin/sh \"open", false, false, true, true), CommandLine::SyntaxError);
}

}  // namespace
