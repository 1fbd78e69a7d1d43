#include "platform/host/TolkCtl.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/host/ChildProcess.hpp"

namespace TolkCtl::Util {

namespace {

// Descriptors above 2 are always dropped (ChildProcess); the flags choose the rest.
ChildProcess::Setup TolkCtlSetup(const LaunchPlan& plan, bool keepWorkingDir, bool keepStdio)
{
    ChildProcess::Setup setup;
    const int stdio = keepStdio ? ChildProcess::kInherit : ChildProcess::kDevNull;
    setup.stdinFd = setup.stdoutFd = setup.stderrFd = stdio;
    setup.keepWorkingDir = keepWorkingDir;
    setup.groupProcsFile = ChildProcess::GroupProcsFile(plan.group);
    return setup;
}

}  // namespace

int TolkCtl_Exec(const std::string& command, bool keepWorkingDir, bool keepStdio, bool /*closeFds*/)
{
    LaunchPlan plan;
    try {
        plan = LaunchPlan::Parse(command);
    } catch (...) {
        // Callers report errno with the failure, so it names the cause for a bad line too.
        errno = EINVAL;
        throw;
    }
    const pid_t child = ChildProcess::Spawn(plan, TolkCtlSetup(plan, keepWorkingDir, keepStdio));
    const int status = ChildProcess::Wait(child);
    if (status < 0) {
        const int error = errno;
        throw std::system_error(error, std::generic_category(), "waitpid");
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : status;
}

int TolkCtl_Daemon(const std::string& command, bool keepWorkingDir, bool keepStdio, bool /*closeFds*/,
                   bool newSession)
{
    const LaunchPlan plan = LaunchPlan::Parse(command);
    const std::vector<char*> argv = plan.Argv();
    const ChildProcess::Setup setup = TolkCtlSetup(plan, keepWorkingDir, keepStdio);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    const pid_t middle = fork();
    if (middle < 0) {
        const int error = errno;
        close(report[0]);
        close(report[1]);
        throw std::system_error(error, std::generic_category(), "fork");
    }
    if (middle == 0) {
        // The intermediate process: leaves the caller's session and exits at once, so the
        // program is a grandchild that init adopts and the caller never has to reap.
        close(report[0]);
        if (newSession && setsid() < 0) {
            const int error = errno;
            [[maybe_unused]] ssize_t written = write(report[1], &error, sizeof error);
            _exit(127);
        }
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            ChildProcess::ExecInChild(plan, argv.data(), setup, report[1]);
        }
        if (grandchild < 0) {
            const int error = errno;
            [[maybe_unused]] ssize_t written = write(report[1], &error, sizeof error);
        }
        _exit(0);
    }
    close(report[1]);
    ChildProcess::Wait(middle);
    const int result = ChildProcess::ReadExecReport(report[0]);
    close(report[0]);
    return result;
}

}  // namespace TolkCtl::Util
