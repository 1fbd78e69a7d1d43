// Operation launch: the steps every long operation goes through: a task identifier, the
// host-wide claim of the task tracking file, the task entry in the task status store, and the
// detached start of a host tool with retries.
//
// Free functions without in-memory state; callable from any thread. Failures come back as
// error values (null: success), never as exceptions. Several calls sleep between retries.
#pragma once

#include <string>

#include "platform/lumo/ErrorValue.hpp"

namespace LifeCycle {

// A new task identifier (a random UUID in text form), or "" with `error` set.
// `internal` chooses InternalServerError (true) or Error (false) for the failure.
std::string GetTaskId(Lumo::Data::ErrorValuePtr& error, bool internal);

// Claims the task tracking file for `name` ("PRECURSOR: " + name), checking up to
// `retries` + 1 times one second apart. False when claimed; true on contention, with
// `error` set to NotAllowedInCurrentState. A negative `retries` reports contention at once.
bool _CheckTaskContention(const std::string& name, Lumo::Data::ErrorValuePtr& error, int retries);

// Claims the host for a plain operation `name` (30 retries); null when it may proceed.
Lumo::Data::ErrorValuePtr InitOperation(const std::string& name);

// A task identifier claimed for an in-daemon task of operation `name`, with its entry in
// the task status store; "" with `error` set on failure (the claim is then released).
std::string InitTask(const std::string& name, Lumo::Data::ErrorValuePtr& error, bool internal);

// Claims the host for `taskId`, records the task and starts `command` detached, trying the
// start `retries` + 1 times one second apart. On success the tracking file stays for the
// tool to remove; after a failed claim-holding step it is removed and `error` is set.
// A negative `retries` fails at once with the contention error.
void RunTask(const std::string& command, const std::string& taskId, Lumo::Data::ErrorValuePtr& error,
             bool internal, int retries);

// Releases the claim of a plain operation (removes the tracking file).
void CleanupOperation(const std::string& name);

}  // namespace LifeCycle
