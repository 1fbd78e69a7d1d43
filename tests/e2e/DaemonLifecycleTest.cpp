// The real daemon binary on a temporary host root: start-up clean-up, the task store,
// log output and the SIGTERM shutdown.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>

#include "platform/host/taskdb/TaskStoreTestSupport.hpp"
#include "support/DaemonProcess.hpp"
#include "support/TempHostRoot.hpp"

using namespace std::chrono_literals;
using TestSupport::DaemonProcess;
using TestSupport::TempHostRoot;

namespace {

constexpr const char* kTrackingFile = "/var/orvane/lifecycle/lifecycle.task";
constexpr const char* kStoreFile = "/var/orvane/lifecycle/task-status.json.db";

// Start-up has passed the store and the stale-file steps once the store exists and a
// planted tracking file is gone; the SIGTERM handler is in place before either.
bool StartedUp(const TempHostRoot& root) { return root.Exists(kStoreFile) && !root.Exists(kTrackingFile); }

}  // namespace

// An empty store file, as an interrupted install leaves it, gets its tables: the store is
// opened with its create flag at every start, not only when the file is missing.
TEST(DaemonLifecycle, CleansUpAtStartAndExitsZeroOnSigtermWithinASecond)
{
    TempHostRoot root;
    root.WriteFile(kTrackingFile, "PRECURSOR: 3f1c0c2e-left-over");
    root.WriteFile(kStoreFile, "");

    DaemonProcess daemon(root);
    ASSERT_TRUE(DaemonProcess::WaitFor([&] { return StartedUp(root); }, 10s)) << daemon.Stderr();
    EXPECT_EQ(TaskStoreTest::RawDb(root.Path(kStoreFile)).Query("SELECT count(*) FROM tasks"), "0");

    EXPECT_EQ(daemon.ExitCodeAfterTerm(1000ms), 0) << "no clean exit within a second of SIGTERM\n" << daemon.Stderr();
    // Every mirrored line carries the ident the daemon gives its syslog output.
    const std::regex line(R"(\d{4}-\d\d-\d\dT[\d:.]{12}Z hostprefd\[)" + std::to_string(daemon.Pid()) +
                          R"(\]: <\d> .*)");
    std::istringstream lines(daemon.Stderr());
    int count = 0;
    for (std::string text; std::getline(lines, text); ++count)
        EXPECT_TRUE(std::regex_match(text, line)) << text;
    EXPECT_GT(count, 0);
}

// syslog(3) writes to /dev/log. In a private mount namespace the test puts its own
// datagram socket there and reads what the daemon sends.
TEST(DaemonLifecycle, WritesToSyslogUnderItsIdent)
{
    if (geteuid() != 0 || system("unshare -m true 2>/dev/null") != 0) {
        GTEST_SKIP() << "needs root and mount namespaces";
    }
    TempHostRoot root;
    std::filesystem::remove_all(root.Path("/var/orvane/lifecycle"));  // start-up makes it again
    const std::string sockPath = root.Dir() + "/syslog.sock";
    int sock = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    sockPath.copy(addr.sun_path, sockPath.size());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    timeval timeout = {5, 0};
    setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

    const std::string script =
        "set -e; d=$1; s=$2; shift 2; mkdir \"$d\"; mount -t tmpfs none \"$d\"; "
        "for n in null zero urandom random; do touch \"$d/$n\"; mount --bind /dev/$n \"$d/$n\"; done; "
        "ln -s \"$s\" \"$d/log\"; mount --bind \"$d\" /dev; exec \"$@\"";
    DaemonProcess daemon(root, {{"HOSTPREFD_LOG_STDERR", "0"}},
                         {"/usr/bin/unshare", "-m", "--propagation", "private", "/bin/sh", "-c", script, "sh",
                          root.Dir() + "/dev", sockPath, TestSupport::BuildDir() + "/hostprefd"});

    char buffer[2048];
    ssize_t n = recv(sock, buffer, sizeof buffer - 1, 0);
    close(sock);
    ASSERT_GT(n, 0) << "no syslog datagram; stderr:\n" << daemon.Stderr();
    std::string line(buffer, static_cast<size_t>(n));
    EXPECT_NE(line.find("hostprefd["), std::string::npos) << line;
    ASSERT_TRUE(DaemonProcess::WaitFor([&] { return StartedUp(root); }, 10s)) << daemon.Stderr();
    EXPECT_EQ(daemon.ExitCodeAfterTerm(1000ms), 0) << "no clean exit within a second of SIGTERM\n" << daemon.Stderr();
}

namespace {

// The service manager's end of NOTIFY_SOCKET: a datagram socket that collects what the
// daemon reports.
class NotifySocket {
public:
    explicit NotifySocket(const std::string& path) : path_(path), fd_(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un addr = {};
        addr.sun_family = AF_UNIX;
        path.copy(addr.sun_path, sizeof addr.sun_path - 1);
        bound_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        timeval timeout = {10, 0};
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    ~NotifySocket() { close(fd_); }

    bool Bound() const { return bound_; }
    const std::string& Path() const { return path_; }
    // The next message; "" after 10 s without one.
    std::string Receive() const
    {
        char buffer[1024];
        const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
        return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : "";
    }

private:
    std::string path_;
    int fd_;
    bool bound_ = false;
};

}  // namespace

// Under a service manager the daemon reports ready once it listens, and that it stops. A
// daemon whose port is taken reports only why, so that the unit's start fails.
TEST(DaemonLifecycle, TellsTheServiceManagerWhenItListensAndStops)
{
    TempHostRoot root;
    const NotifySocket manager(root.Dir() + "/notify.sock");
    ASSERT_TRUE(manager.Bound());
    const std::string port = std::to_string(root.Port());
    DaemonProcess daemon(root, {{"NOTIFY_SOCKET", manager.Path()}});
    EXPECT_EQ(manager.Receive(), "READY=1\nSTATUS=Listening on TCP port " + port) << daemon.Stderr();

    TempHostRoot taken;
    taken.WriteFile("/etc/services", "hostprefd\t" + port + "/tcp\n");
    DaemonProcess blocked(taken, {{"NOTIFY_SOCKET", manager.Path()}});
    EXPECT_EQ(manager.Receive(), "STATUS=Cannot listen on TCP port " + port + "; is another process using it?");
    EXPECT_NE(blocked.Stderr().find("No listener is open on TCP port " + port), std::string::npos) << blocked.Stderr();
    EXPECT_EQ(blocked.ExitCodeAfterTerm(6000ms), 0);
    EXPECT_EQ(manager.Receive(), "STOPPING=1");

    EXPECT_EQ(daemon.ExitCodeAfterTerm(6000ms), 0);
    EXPECT_EQ(manager.Receive(), "STOPPING=1");
}
