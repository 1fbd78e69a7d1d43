// CSLogger: the host's log line writer.
//
// Every line goes to the added outputs (syslog under the process ident) and, when the
// environment variable HOSTPREFD_LOG_STDERR is "1", to standard error as well. Each line
// carries the calling thread's context entries (for example "opId") after the text.
// Thread-safe; the context is per thread.
#pragma once

#include <map>
#include <string>

class CSLogger {
public:
    // Priorities: 0 failure, 1 warning, 2 progress information, 3 detail, 4 most verbose.
    static void Log(int priority, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    // The calling thread's context entries, rendered on each line it writes.
    class CurrentContext {
    public:
        static void Set(const std::string& key, const std::string& value);
        static void Erase(const std::string& key);
        static const std::map<std::string, std::string>& Entries();
    };
};
