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
#include <memory>
#include <sstream>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/host/CommandLine.hpp"
#include "platform/host/LaunchPlan.hpp"
#include "platform/host/TolkCtl.hpp"
#include "platform/host/TolkuserCompat.hpp"
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

TEST(LaunchPlanTest, OnlyDirectionsRightAfterTheProgramDirectTheLauncher)
{
    const LaunchPlan plan = LaunchPlan::Parse("/bin/echo ++group=g1,mem=64 ++stats a ++group=evil,mem=1");
    EXPECT_EQ(plan.args, (Words{"/bin/echo", "a", "++group=evil,mem=1"}));
    EXPECT_EQ(plan.group, "g1");
    EXPECT_EQ(plan.memoryLimitMb, 64);
    for (const char* bad : {"/bin/echo ++group=../x", "/bin/echo ++group=a/b", "/bin/echo ++group="}) {
        EXPECT_THROW(LaunchPlan::Parse(bad), std::invalid_argument) << bad;
    }
}

// A spawned command that prints `script`'s output through the pipe; "" when it cannot start.
std::string ReadCommand(const TolkuserCompat_SpawnAttrs* attrs, const std::string& command, int* status)
{
    TolkuserCompat_Pipe pipe;
    if (TolkuserCompat_POpen_SpawnAttrs(attrs, command.c_str(), "r", &pipe) != TOLKUSER_OK) return "";
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = read(pipe.fd, buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<size_t>(n));
    EXPECT_EQ(TolkuserCompat_PClose(&pipe, status), TOLKUSER_OK);
    return out;
}

TEST_F(TolkCtlTest, PipedCommandRunsInItsGroupWithItsLimitAndNothingElseOfTheCaller)
{
    // A cgroup v2 tree below the host root, with the group the host set up.
    root_.Write("/sys/fs/cgroup/cgroup.controllers", "memory\n");
    root_.Write("/sys/fs/cgroup/hostprefd-nontask-forks/cgroup.procs", "");
    setenv("HOSTPREFD_ROOT", root_.Path().c_str(), 1);
    TolkuserCompat_SpawnAttrs* raw = nullptr;
    ASSERT_EQ(TolkuserCompat_SpawnAttrInit(&raw), TOLKUSER_OK);
    std::unique_ptr<TolkuserCompat_SpawnAttrs, TolkCtl::Util::SpawnAttrDestroyer> attrs(raw);
    EXPECT_EQ(TolkuserCompat_SpawnAttrSetRP(attrs.get(), "../escape"), EINVAL);
    EXPECT_EQ(TolkuserCompat_SpawnAttrSetFlags(attrs.get(), 0x400), EINVAL);
    ASSERT_EQ(TolkuserCompat_SpawnAttrSetRP(attrs.get(), "hostprefd-nontask-forks"), TOLKUSER_OK);
    ASSERT_EQ(TolkuserCompat_SpawnAttrSetMemMB(attrs.get(), 200), TOLKUSER_OK);
    ASSERT_EQ(TolkuserCompat_SpawnAttrSetFlags(attrs.get(), 0x300), TOLKUSER_OK);

    const int leaked = open("/dev/zero", O_RDONLY);
    int status = -1;
    const std::string report = ReadCommand(attrs.get(),
                                           "/bin/sh -c \"echo $$ $(cut -d' ' -f5 /proc/$$/stat); pwd; ls "
                                           "/proc/self/fd; grep 'Max address' /proc/self/limits\"",
                                           &status);
    close(leaked);
    unsetenv("HOSTPREFD_ROOT");
    EXPECT_EQ(status, 0) << report;
    std::istringstream lines(report);
    pid_t pid = 0, group = 0;
    lines >> pid >> group;
    EXPECT_EQ(pid, group) << "leads its own process group";
    EXPECT_EQ(root_.Read("/sys/fs/cgroup/hostprefd-nontask-forks/cgroup.procs"), std::to_string(pid) + "\n");
    std::string cwd, descriptors, line;
    lines >> cwd;
    EXPECT_EQ(cwd, "/");
    // The shell's listing of its own descriptors: 0 to 2 and the one ls opened itself.
    for (int i = 0; i < 4 && lines >> line; ++i) descriptors += line + " ";
    EXPECT_EQ(descriptors, "0 1 2 3 ");
    EXPECT_NE(report.find(std::to_string(200L * 1024 * 1024)), std::string::npos) << report;

    // Standard input is fed through a "w" pipe; a missing program is a status, not a process.
    TolkuserCompat_Pipe pipe;
    const std::string copy = root_.File("copy");
    ASSERT_EQ(TolkuserCompat_POpen_SpawnAttrs(attrs.get(), ("/bin/sh -c \"cat > " + copy + "\"").c_str(), "w",
                                              &pipe),
              TOLKUSER_OK);
    ASSERT_EQ(write(pipe.fd, "fed", 3), 3);
    ASSERT_EQ(TolkuserCompat_PClose(&pipe, &status), TOLKUSER_OK);
    EXPECT_EQ(root_.Read("copy"), "fed");
    EXPECT_EQ(TolkuserCompat_POpen_SpawnAttrs(attrs.get(), "/nonexistent/tool", "r", &pipe), ENOENT);
    EXPECT_EQ(TolkuserCompat_POpen_SpawnAttrs(attrs.get(), "/bin/sh \"open", "r", &pipe), EINVAL);
    char text[256];
    EXPECT_STREQ(TolkuserStatus_CodeToString(ENOENT, text, sizeof text), "No such file or directory");
}

}  // namespace
