#include "platform/host/ChildProcess.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <system_error>

#include "platform/host/HostRoot.hpp"

namespace {

constexpr const char* kCgroupRoot = "/sys/fs/cgroup";

[[noreturn]] void ReportExecFailure(int reportFd, int error)
{
    // Nothing useful is left to do if the report itself cannot be written.
    [[maybe_unused]] ssize_t written = write(reportFd, &error, sizeof error);
    _exit(127);
}

// Makes `source` (a descriptor, kDevNull or kInherit) the child's descriptor `target`.
bool PlaceStandardDescriptor(int source, int target)
{
    if (source == ChildProcess::kInherit) {
        return true;
    }
    if (source == ChildProcess::kDevNull) {
        const int null = open("/dev/null", O_RDWR);
        if (null < 0) {
            return false;
        }
        const bool placed = null == target || dup2(null, target) >= 0;
        if (null != target) {
            close(null);
        }
        return placed;
    }
    // dup2 onto itself would keep the close-on-exec flag the pipe end was made with.
    if (source == target) {
        return fcntl(target, F_SETFD, 0) == 0;
    }
    return dup2(source, target) >= 0;
}

// Writes the child's pid into the group's cgroup.procs, which moves it into the group.
bool JoinGroup(const char* procsFile)
{
    char digits[24];
    size_t length = 0;
    for (pid_t pid = getpid(); pid > 0; pid /= 10) {
        digits[length++] = static_cast<char>('0' + pid % 10);
    }
    char text[24];
    for (size_t i = 0; i < length; ++i) {
        text[i] = digits[length - 1 - i];
    }
    text[length++] = '\n';
    const int fd = open(procsFile, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool joined = write(fd, text, length) == static_cast<ssize_t>(length);
    close(fd);
    return joined;
}

// In a vforked child, before it unblocks signals: the caller's handlers must never run in
// the child, where they would act on the caller's memory.
void ResetSignalHandlers()
{
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction current;
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_DFL &&
            current.sa_handler != SIG_IGN) {
            struct sigaction defaults = {};
            defaults.sa_handler = SIG_DFL;
            sigaction(signal, &defaults, nullptr);
        }
    }
}

}  // namespace

std::string ChildProcess::GroupProcsFile(const std::string& group)
{
    if (group.empty()) {
        return {};
    }
    const std::string root = HostRoot::Path(kCgroupRoot);
    const std::string procs = root + "/" + group + "/cgroup.procs";
    const bool unified = access((root + "/cgroup.controllers").c_str(), F_OK) == 0;
    return unified && access(procs.c_str(), W_OK) == 0 ? procs : std::string();
}

void ChildProcess::ExecInChild(const LaunchPlan& plan, char* const* argv, const Setup& setup, int reportFd)
{
    // The report pipe is close-on-exec, and so is everything above 2 from here on: the
    // program keeps only its standard descriptors.
    if (!PlaceStandardDescriptor(setup.stdinFd, STDIN_FILENO) ||
        !PlaceStandardDescriptor(setup.stdoutFd, STDOUT_FILENO) ||
        !PlaceStandardDescriptor(setup.stderrFd, STDERR_FILENO) ||
        close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        ReportExecFailure(reportFd, errno);
    }
    if (!setup.keepWorkingDir && chdir("/") != 0) {
        ReportExecFailure(reportFd, errno);
    }
    if (setup.newProcessGroup && setpgid(0, 0) != 0) {
        ReportExecFailure(reportFd, errno);
    }
    if (!setup.groupProcsFile.empty() && !JoinGroup(setup.groupProcsFile.c_str())) {
        ReportExecFailure(reportFd, errno);
    }
    if (plan.memoryLimitMb > 0) {
        const rlim_t bytes = static_cast<rlim_t>(plan.memoryLimitMb) * 1024 * 1024;
        const struct rlimit limit = {bytes, bytes};
        if (setrlimit(RLIMIT_AS, &limit) != 0) {
            ReportExecFailure(reportFd, errno);
        }
    }
    // The caller may ignore SIGPIPE or block signals; the program starts with the defaults.
    signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execv(plan.program.c_str(), argv);
    ReportExecFailure(reportFd, errno);
}

int ChildProcess::ReadExecReport(int readFd)
{
    int error = 0;
    size_t got = 0;
    while (got < sizeof error) {
        const ssize_t n = read(readFd, reinterpret_cast<char*>(&error) + got, sizeof error - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    if (got == 0) {
        return 0;
    }
    return got == sizeof error && error != 0 ? error : EIO;
}

pid_t ChildProcess::Spawn(const LaunchPlan& plan, const Setup& setup)
{
    const std::vector<char*> argv = plan.Argv();
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    // vfork rather than fork: the child borrows this process's memory until it executes the
    // program instead of copying its page tables, which is most of the cost of a short
    // command. The child runs only async-signal-safe calls and never returns from here; no
    // signal reaches it before its own handlers are the defaults.
    sigset_t all;
    sigset_t saved;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &saved);
    const pid_t child = vfork();
    if (child == 0) {
        ResetSignalHandlers();
        ExecInChild(plan, argv.data(), setup, report[1]);
    }
    const int forkError = errno;
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    close(report[1]);
    if (child < 0) {
        close(report[0]);
        throw std::system_error(forkError, std::generic_category(), "vfork");
    }
    const int error = ReadExecReport(report[0]);
    close(report[0]);
    if (error != 0) {
        Wait(child);
        errno = error;
        throw std::system_error(error, std::generic_category(), "exec " + plan.program);
    }
    return child;
}

int ChildProcess::Wait(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return status;
}
