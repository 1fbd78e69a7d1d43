// ChildProcess: the fork-and-exec step shared by the host's launchers (TolkCtl_Exec,
// TolkCtl_Daemon, TolkuserCompat_POpen_SpawnAttrs).
//
// Between fork and exec the child takes the descriptors it is given as its standard input,
// output and error, drops every other inherited descriptor (so no listening socket of the
// caller ever reaches a tool), joins its resource group, takes its memory limit and default
// signal handling, and executes the plan's program. An exec failure is reported to the parent
// through a close-on-exec pipe. Stateless; callable from any thread (the child makes only
// async-signal-safe calls).
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/host/LaunchPlan.hpp"

class ChildProcess {
public:
    // Where a standard descriptor of the child comes from.
    static constexpr int kDevNull = -1;  // /dev/null
    static constexpr int kInherit = -2;  // the caller's own

    struct Setup {
        int stdinFd = kDevNull;
        int stdoutFd = kDevNull;
        int stderrFd = kDevNull;
        bool keepWorkingDir = false;   // false: the child runs in "/"
        bool newProcessGroup = false;  // the child leads a process group of its own
        std::string groupProcsFile;    // cgroup.procs of the group to join; "" for none
    };

    // The cgroup.procs file of resource group `group` when the host has a writable cgroup v2
    // group of that name (below the host root); "" otherwise (no group, no cgroup v2, or no
    // such group), in which case only the memory limit applies.
    static std::string GroupProcsFile(const std::string& group);

    // Starts `plan` with `setup` and returns the child's pid once the program runs. Throws
    // std::system_error with the errno of the failure when it could not be started (the failed
    // child has been reaped).
    static pid_t Spawn(const LaunchPlan& plan, const Setup& setup);

    // Waits for `pid` and returns its raw wait status; -1 with errno set when waiting failed.
    static int Wait(pid_t pid);

    // In a freshly forked child: prepares the process and executes `argv`; on failure writes
    // the errno to `reportFd` and exits with 127. Async-signal-safe.
    [[noreturn]] static void ExecInChild(const LaunchPlan& plan, char* const* argv, const Setup& setup,
                                         int reportFd);

    // Reads the report of ExecInChild from the pipe's read end: 0 when the program was
    // executed (the pipe closed with nothing in it), else the errno of the failure.
    static int ReadExecReport(int readFd);
};
