#include "support/DaemonProcess.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "support/TempHostRoot.hpp"

extern char** environ;

namespace TestSupport {

DaemonProcess::DaemonProcess(const TempHostRoot& root, Env extraEnv, std::vector<std::string> argv)
    : stderrPath_(root.Dir() + "/daemon.stderr")
{
    if (argv.empty()) argv.push_back(BuildDir() + "/hostprefd");
    extraEnv.emplace("HOSTPREFD_ROOT", root.Dir());
    extraEnv.emplace("HOSTPREFD_LOG_STDERR", "1");
    std::vector<std::string> envText;
    for (const auto& [key, value] : extraEnv) envText.push_back(key + "=" + value);
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        if (extraEnv.count(text.substr(0, text.find('='))) == 0) envText.push_back(text);
    }

    // Everything the child needs is prepared before fork: only async-signal-safe calls follow.
    std::vector<char*> envp, args;
    for (auto& text : envText) envp.push_back(text.data());
    for (auto& arg : argv) args.push_back(arg.data());
    envp.push_back(nullptr);
    args.push_back(nullptr);
    const int errFd = open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (errFd < 0) throw std::runtime_error("cannot create " + stderrPath_);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(errFd, STDERR_FILENO);
        const int nullFd = open("/dev/null", O_RDONLY);
        if (nullFd >= 0) dup2(nullFd, STDIN_FILENO);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    close(errFd);
    if (pid_ < 0) throw std::runtime_error("fork failed");
}

DaemonProcess::~DaemonProcess()
{
    if (pid_ > 0 && !status_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::optional<int> DaemonProcess::WaitExit(std::chrono::milliseconds timeout)
{
    WaitFor(
        [this] {
            int status = 0;
            if (!status_ && waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
            return status_.has_value();
        },
        timeout);
    return status_;
}

int DaemonProcess::ExitCodeAfterTerm(std::chrono::milliseconds timeout)
{
    Signal(SIGTERM);
    const auto status = WaitExit(timeout);
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : kNoExit;
}

bool DaemonProcess::WaitListening(int port, std::chrono::milliseconds timeout) const
{
    const std::string line = "HTTP endpoint listening on TCP port " + std::to_string(port);
    return WaitFor([&] { return Stderr().find(line) != std::string::npos; }, timeout);
}

std::string DaemonProcess::Stderr() const
{
    std::ifstream in(stderrPath_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool DaemonProcess::WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace TestSupport
