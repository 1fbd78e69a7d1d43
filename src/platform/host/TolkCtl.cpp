#include "platform/host/TolkCtl.hpp"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "platform/host/CommandLine.hpp"
#include "platform/host/HostRoot.hpp"

namespace TolkCtl::Util {

namespace {

struct LaunchPlan {
    std::string program;            // the file to execute
    std::vector<std::string> args;  // argv, the program first
    long memoryLimitMb = 0;         // 0: no limit of our own
};

struct DetachOptions {
    bool keepWorkingDir;
    bool keepStdio;
    bool closeFds;
    bool newSession;
};

// Applies the items of a "++" word ("group=x,mem=200,stats").
void ApplyDirections(std::string_view items, LaunchPlan& plan)
{
    while (!items.empty()) {
        const size_t comma = items.find(',');
        const std::string_view item = items.substr(0, comma);
        if (item.starts_with("mem=")) {
            char* end = nullptr;
            const std::string value(item.substr(4));
            const long mb = std::strtol(value.c_str(), &end, 10);
            if (end != value.c_str() && *end == '\0' && mb > 0) {
                plan.memoryLimitMb = mb;
            }
        }
        items = comma == std::string_view::npos ? std::string_view() : items.substr(comma + 1);
    }
}

// The file a bare program name runs, searched in PATH as execvp would; done before fork
// because the child may only make async-signal-safe calls.
std::string ResolveProgram(const std::string& program)
{
    if (program.find('/') != std::string::npos) {
        return program;
    }
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "/usr/bin:/bin";
    while (!dirs.empty()) {
        const size_t colon = dirs.find(':');
        std::string candidate(dirs.substr(0, colon));
        candidate += (candidate.empty() ? "" : "/") + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    }
    return program;
}

LaunchPlan PlanLaunch(const std::string& command)
{
    const std::vector<std::string> words = CommandLine::Split(command);
    if (words.empty()) {
        throw std::invalid_argument("empty command line");
    }
    LaunchPlan plan;
    plan.program = ResolveProgram(HostRoot::Executable(words[0]));
    plan.args.push_back(plan.program);
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i].starts_with("++")) {
            ApplyDirections(std::string_view(words[i]).substr(2), plan);
        } else {
            plan.args.push_back(HostRoot::Executable(words[i]));
        }
    }
    return plan;
}

void ReportAndExit(int reportFd, int error)
{
    // Nothing useful is left to do if the report itself cannot be written.
    [[maybe_unused]] ssize_t written = write(reportFd, &error, sizeof error);
    _exit(127);
}

// Runs in the grandchild: prepares the process and executes the program. Only
// async-signal-safe calls from here on; everything was allocated before the fork.
[[noreturn]] void ExecDetached(const LaunchPlan& plan, char* const* argv, const DetachOptions& options,
                               int reportFd)
{
    if (!options.keepWorkingDir && chdir("/") != 0) {
        ReportAndExit(reportFd, errno);
    }
    if (!options.keepStdio) {
        const int null = open("/dev/null", O_RDWR);
        if (null < 0 || dup2(null, 0) < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0) {
            ReportAndExit(reportFd, errno);
        }
        if (null > 2) {
            close(null);
        }
    }
    // Close-on-exec rather than close, so the report pipe stays usable until exec.
    if (options.closeFds && close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        ReportAndExit(reportFd, errno);
    }
    if (plan.memoryLimitMb > 0) {
        const rlim_t bytes = static_cast<rlim_t>(plan.memoryLimitMb) * 1024 * 1024;
        const struct rlimit limit = {bytes, bytes};
        if (setrlimit(RLIMIT_AS, &limit) != 0) {
            ReportAndExit(reportFd, errno);
        }
    }
    // The caller may ignore SIGPIPE or block signals; the tool starts with the defaults.
    signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execv(plan.program.c_str(), argv);
    ReportAndExit(reportFd, errno);
    _exit(127);
}

// Reads the exec report: nothing before end of file means the exec happened (the pipe
// closed with it), otherwise the errno of the failure.
int ReadReport(int readFd)
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

}  // namespace

int TolkCtl_Daemon(const std::string& command, bool keepWorkingDir, bool keepStdio, bool closeFds,
                   bool newSession)
{
    const LaunchPlan plan = PlanLaunch(command);
    std::vector<char*> argv;
    for (const std::string& arg : plan.args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const DetachOptions options{keepWorkingDir, keepStdio, closeFds, newSession};

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
        if (options.newSession && setsid() < 0) {
            ReportAndExit(report[1], errno);
        }
        const pid_t grandchild = fork();
        if (grandchild < 0) {
            ReportAndExit(report[1], errno);
        }
        if (grandchild == 0) {
            ExecDetached(plan, argv.data(), options, report[1]);
        }
        _exit(0);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    const int result = ReadReport(report[0]);
    close(report[0]);
    return result;
}

}  // namespace TolkCtl::Util
