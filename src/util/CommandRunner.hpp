// The command runner: the one place where the daemon runs a short-lived host command line,
// optionally feeding it text on standard input or collecting its standard output, and
// decodes how it ended.
//
// Free functions; thread-safe. A call blocks its thread until the command has exited. Failed
// commands are results with a log line, never exceptions.
#pragma once

#include <cstdint>
#include <string>

namespace LifeCycle {

// What happened to a command, and the number that goes with it.
struct CommandResult {
    enum Kind : int32_t {
        Ok = 0,               // exited with status 0; code 0
        SpawnFailed = 1,      // could not be started; code: the spawn status or errno
        NonZeroExit = 2,      // ran and its return code is not 0; code: that return code
        PipeWriteFailed = 3,  // writing its standard input failed; code: errno
        PipeReadFailed = 4,   // reading its standard output failed; code: errno
    };

    int32_t kind = Ok;
    int32_t code = 0;

    bool operator==(const CommandResult&) const = default;
};

// Runs `command` in the resource group "hostprefd-nontask-forks" with a 200 MB memory limit.
// `input`, when given, is written to its standard input; otherwise `output`, when given,
// receives what it prints (appended). No caller passes both.
CommandResult RunCommand(const std::string& command, const std::string* input, std::string* output);

// Runs `command` to completion without pipes; nothing of its output is kept.
CommandResult RunCommand(const std::string& command);

}  // namespace LifeCycle
