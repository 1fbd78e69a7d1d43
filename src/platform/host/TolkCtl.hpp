// TolkCtl::Util: the host's process launcher for commands run to completion and for commands
// that must outlive their caller.
//
// Command lines are read by LaunchPlan (split without a shell, "++" launcher directions right
// after the program, executables below the host root). No descriptor of the caller above 2
// ever reaches the program. Stateless; thread-safe (the children make only
// async-signal-safe calls between fork and exec).
#pragma once

#include <string>

namespace TolkCtl::Util {

// Runs `command` and waits for it. Returns its exit status when it exited, or the raw wait
// status when a signal ended it.
//   keepWorkingDir  false: the program runs in "/".
//   keepStdio       false: its standard input, output and error are /dev/null; true: the
//                   caller's.
//   closeFds        accepted for the host's interface; descriptors above 2 are always closed.
// Throws std::system_error when the program could not be started or waited for,
// CommandLine::SyntaxError or std::invalid_argument (with errno EINVAL) for a line that
// cannot be read; errno holds the cause when the exception arrives.
int TolkCtl_Exec(const std::string& command, bool keepWorkingDir, bool keepStdio, bool closeFds);

// Starts `command` as a detached process: a new session, a grandchild of the caller that
// the caller never waits for. Returns 0 once the program has been executed, or the errno
// of the failure when it could not be (program missing, not executable, ...).
//   keepWorkingDir, keepStdio, closeFds  as for TolkCtl_Exec.
//   newSession      true: it runs in a session of its own (no controlling terminal).
// Throws CommandLine::SyntaxError or std::invalid_argument for a command line that cannot
// be split or names no program, std::system_error when no process could be made.
int TolkCtl_Daemon(const std::string& command, bool keepWorkingDir, bool keepStdio, bool closeFds,
                   bool newSession);

}  // namespace TolkCtl::Util
