// TolkCtl::Util: the host's process launcher for commands that must outlive their caller.
//
// A command line is split by CommandLine::Split (never a shell). Words after the program
// that begin with "++" are directions to the launcher, not arguments: "++group=<name>,
// mem=<MB>|groupMax,stats" names the resource group; a numeric memory limit becomes the
// process's address-space limit, the other items are accepted and need nothing here.
// Executables resolve through HostRoot::Executable. Stateless; thread-safe, though the
// caller must not fork concurrently from another thread holding locks the child needs.
#pragma once

#include <string>

namespace TolkCtl::Util {

// Starts `command` as a detached process: a new session, a grandchild of the caller that
// the caller never waits for. Returns 0 once the program has been executed, or the errno
// of the failure when it could not be (program missing, not executable, ...).
//   keepWorkingDir  false: the process runs in "/".
//   keepStdio       false: its standard input, output and error are /dev/null.
//   closeFds        true: no descriptor above 2 of the caller reaches it.
//   newSession      true: it leads a session of its own (no controlling terminal).
// Throws CommandLine::SyntaxError or std::invalid_argument for a command line that cannot
// be split or names no program, std::system_error when no process could be made.
int TolkCtl_Daemon(const std::string& command, bool keepWorkingDir, bool keepStdio, bool closeFds,
                   bool newSession);

}  // namespace TolkCtl::Util
