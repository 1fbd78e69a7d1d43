// ClientError: the failures that end a hostprefctl run, each with the exit status it
// stands for. Thrown by the client's pieces and turned into a message and an exit status
// by Hostprefctl only.
#pragma once

#include <stdexcept>
#include <string>

namespace HostprefCtl {

enum ExitStatus : int {
    kExitOk = 0,
    kExitFailed = 1,         // the call or the task failed
    kExitUsage = 2,          // the command line is wrong
    kExitCannotConnect = 3,  // no daemon answers
};

class ClientError : public std::runtime_error {
public:
    ClientError(ExitStatus status, const std::string& what) : std::runtime_error(what), status_(status) {}
    ExitStatus Status() const { return status_; }

private:
    ExitStatus status_;
};

// A parameter or option the command line got wrong.
class UsageError : public ClientError {
public:
    explicit UsageError(const std::string& what) : ClientError(kExitUsage, what) {}
};

// No connection to the daemon, or it broke before the answer was complete.
class ConnectError : public ClientError {
public:
    explicit ConnectError(const std::string& what) : ClientError(kExitCannotConnect, what) {}
};

}  // namespace HostprefCtl
