#include "support/DaemonProcess.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/TempHostRoot.hpp"

extern char** environ;

namespace TestSupport {

DaemonProcess::DaemonProcess(const TempHostRoot& root, Env extraEnv, std::vector<std::string> argv)
    : stderrPath_(root.Dir() + "/daemon.stderr")
{
    if (argv.empty()) {
        argv.push_back(BuildDir() + "/hostprefd");
    }
    Env env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text(*entry);
        auto eq = text.find('=');
        env[text.substr(0, eq)] = eq == std::string::npos ? "" : text.substr(eq + 1);
    }
    env["HOSTPREFD_ROOT"] = root.Dir();
    env["HOSTPREFD_LOG_STDERR"] = "1";
    for (auto& [key, value] : extraEnv) {
        env[key] = value;
    }

    // Everything the child needs is prepared before fork: only async-signal-safe calls follow.
    std::vector<std::string> envText;
    for (auto& [key, value] : env) {
        envText.push_back(key + "=" + value);
    }
    std::vector<char*> envp, args;
    for (auto& text : envText) envp.push_back(text.data());
    envp.push_back(nullptr);
    for (auto& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);

    int errFd = open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (errFd < 0) {
        throw std::runtime_error("cannot create " + stderrPath_);
    }
    pid_ = fork();
    if (pid_ == 0) {
        dup2(errFd, STDERR_FILENO);
        int nullFd = open("/dev/null", O_RDONLY);
        if (nullFd >= 0) dup2(nullFd, STDIN_FILENO);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    close(errFd);
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
}

DaemonProcess::~DaemonProcess()
{
    if (pid_ > 0 && !status_) {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

void DaemonProcess::Signal(int sig) const
{
    kill(pid_, sig);
}

std::optional<int> DaemonProcess::WaitExit(std::chrono::milliseconds timeout)
{
    if (status_) {
        return status_;
    }
    WaitFor(
        [this] {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = status;
            }
            return status_.has_value();
        },
        timeout);
    return status_;
}

std::string DaemonProcess::Stderr() const
{
    std::ifstream in(stderrPath_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool DaemonProcess::WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace TestSupport
