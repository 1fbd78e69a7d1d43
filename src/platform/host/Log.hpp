// The host library's logging configuration: outputs with levels, and the level query.
//
// Host log levels run from 1 (most severe) to 7 (most verbose); a line written with
// CSLogger priority p (0 failure .. 4 most verbose) has host level p + 3. A level is
// enabled when the standard-error mirror, or at least one added output while the system
// log socket exists, has a level at or above it. Outputs are process-wide; all calls are
// thread-safe.
#pragma once

#include <cstdarg>

struct LogCfgInterface;
struct LogOutput;

// The process's logging configuration interface.
LogCfgInterface* Log_CfgInterface();

// A new syslog output with the given ident and output name; `flags` is reserved (0).
// Returns null when the output cannot be made. The caller owns it until it is added.
LogOutput* Log_NewSyslogOutput(const char* ident, const char* name, int flags, LogCfgInterface* cfg);

// Sets the most verbose host level the output writes.
void Log_SetOutputLevel(LogOutput* output, int level);

// Adds the output; from then on the library owns it. False when it cannot be added
// (null output, or an output of that name is already present): the caller still owns it.
bool Log_AddOutput(LogOutput* output);

// Releases an output that was not added.
void Log_FreeOutput(LogOutput* output);

// Removes and frees every added output (for tests and orderly exit).
void Log_RemoveAllOutputs();

// Mirrors lines up to this host level to standard error (0 turns the mirror off). At
// start the mirror is at 7 when HOSTPREFD_LOG_STDERR is "1" and off otherwise.
void Log_SetStderrLevel(int level);

// Whether a line of this host level would be written anywhere.
bool Log_IsEnabled(int level);

// Plain library log lines, at priority 2.
void Log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void LogV(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));
