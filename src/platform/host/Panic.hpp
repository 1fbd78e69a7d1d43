// Panic: the end of the process after a broken internal invariant.
//
// The line goes to standard error and to syslog, then the process aborts (SIGABRT), so
// a core dump and the service manager's restart follow. Callable from any thread.
#pragma once

// Writes the formatted line and aborts. Never returns.
[[noreturn]] void Panic(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Ends the process with "VERIFY <file>:<line>" when `cond` is false. The _AT forms name
// a fixed file and line, for lines whose text other tools match.
#define VERIFY_AT(cond, file, line)                  \
    do {                                             \
        if (__builtin_expect(!(cond), 0)) {          \
            Panic("VERIFY %s:%d\n", (file), (line)); \
        }                                            \
    } while (0)
#define VERIFY(cond) VERIFY_AT(cond, __FILE__, __LINE__)

// Ends the process with "NOT_REACHED <file>:<line>".
#define NOT_REACHED_AT(file, line) Panic("NOT_REACHED %s:%d\n", (file), (line))
#define NOT_REACHED() NOT_REACHED_AT(__FILE__, __LINE__)
