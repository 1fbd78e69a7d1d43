// DaemonProcess: the real hostprefd binary running as a child on a temporary host root.
//
// Standard error (the daemon's log mirror) goes to a file that tests read. The process
// is killed when the object goes away, so a failing test leaves nothing behind.
// Not thread-safe; one per test.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace TestSupport {

class TempHostRoot;

class DaemonProcess {
public:
    using Env = std::map<std::string, std::string>;

    // Starts `argv` (by default the daemon) with the root in HOSTPREFD_ROOT, the log
    // mirror on, and `extraEnv` on top of this process's environment.
    explicit DaemonProcess(const TempHostRoot& root, Env extraEnv = {}, std::vector<std::string> argv = {});
    ~DaemonProcess();
    DaemonProcess(const DaemonProcess&) = delete;
    DaemonProcess& operator=(const DaemonProcess&) = delete;

    pid_t Pid() const { return pid_; }
    void Signal(int sig) const { kill(pid_, sig); }

    // The raw wait status once the process has ended within `timeout`, else nullopt.
    std::optional<int> WaitExit(std::chrono::milliseconds timeout);

    // Sends SIGTERM; the exit code once the process has exited normally within `timeout`,
    // else kNoExit (still running, or ended by a signal).
    static constexpr int kNoExit = -1000;
    int ExitCodeAfterTerm(std::chrono::milliseconds timeout);

    // Everything the process has written to standard error so far.
    std::string Stderr() const;

    // Waits until the daemon has logged that it listens on `port`; false after `timeout`.
    bool WaitListening(int port, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    // Polls `condition` until it holds or `timeout` passes; returns whether it held.
    static bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string stderrPath_;
};

}  // namespace TestSupport
