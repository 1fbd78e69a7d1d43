// CSLogger: the host's log line writer.
//
// Every line goes to the added outputs (syslog under the process ident) and, when the
// environment variable HOSTPREFD_LOG_STDERR is "1", to standard error as well. Each line
// carries the calling thread's context entries after the text, as " {opId=abc, user=x}"
// (keys in order, nothing added when the context is empty).
// Thread-safe; the context is per thread.
#pragma once

#include <cstdarg>
#include <map>
#include <string>

class CSLogger {
public:
    // Priorities: 0 failure, 1 warning, 2 progress information, 3 detail, 4 most verbose.
    // Writes one line; a priority outside 0..4 is taken as the nearest one. A line longer
    // than the outputs accept is cut and marked with " [truncated]".
    static void Log(int priority, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    static void LogV(int priority, const char* fmt, va_list args) __attribute__((format(printf, 2, 0)));

    // The calling thread's context entries, rendered on each line it writes.
    class CurrentContext {
    public:
        // Adds or replaces an entry of the calling thread.
        static void Set(const std::string& key, const std::string& value);
        // Removes an entry of the calling thread; a missing key is no error.
        static void Erase(const std::string& key);
        // The calling thread's entries; valid until the thread changes them.
        static const std::map<std::string, std::string>& Entries();
    };
};
