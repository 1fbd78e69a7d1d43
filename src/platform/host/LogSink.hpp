// LogSink: the process's set of log outputs and the standard-error mirror.
//
// One instance per process (Process()); the Log_* functions configure it and CSLogger
// writes rendered lines through it. All methods are thread-safe; Enabled() is lock-free
// so that asking whether a level is on costs a few comparisons on the hot path.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// A syslog output as made by Log_NewSyslogOutput. Owned by the caller until it is added.
struct LogOutput {
    std::string ident;
    std::string name;
    int level = 0;
};

// The handle Log_CfgInterface gives out; it carries no state of its own.
struct LogCfgInterface {};

class LogSink {
public:
    // Host levels run from 1 (most severe) to 7 (most verbose); 0 writes nothing.
    static constexpr int kMaxLevel = 7;
    // Longest line handed to an output, newline included. Equal to PIPE_BUF, so a
    // line written to a pipe in one write(2) is never split by a concurrent writer.
    static constexpr size_t kMaxLine = 4096;
    // The ident of mirrored lines while no syslog output names one.
    static constexpr const char* kDefaultIdent = "hostprefd";

    // The process-wide sink. Its stderr mirror starts at level 7 when the environment
    // variable HOSTPREFD_LOG_STDERR is "1" and off otherwise.
    static LogSink& Process();

    // Takes ownership of `output` and opens syslog under its ident. False (ownership
    // stays with the caller) for a null output or a name already present.
    bool Add(LogOutput* output);

    // Removes and frees every output and closes syslog.
    void RemoveAll();

    // Sets an output's level; takes effect at once for an output already added.
    void SetLevel(LogOutput* output, int level);

    // Sets the most verbose level mirrored to stderr (0 turns the mirror off). Mirrored
    // lines carry the ident of the syslog output added last, kDefaultIdent while there is none.
    void SetStderrLevel(int level);

    // Whether a line of host level `level` goes anywhere: to the mirror, or to syslog when
    // an output admits the level and the system log socket exists (looked at no more than
    // once a second), so that lines nobody would receive are never formatted.
    bool Enabled(int level) const;

    // Where the system log socket is looked for (default kSyslogSocket). syslog(3) itself
    // always writes to its own socket; tests point this at a socket of their own to make
    // syslog count as reachable, or at a missing path to make it count as gone.
    void SetSyslogSocket(const std::string& path);

    static constexpr const char* kSyslogSocket = "/dev/log";

    // Writes one line (no trailing newline) of CSLogger priority `priority` (0..4, host
    // level priority + 3): once to syslog when any output admits the level, and to the
    // mirror when it does. All syslog outputs share the process's one syslog connection.
    void Write(int priority, std::string_view line);

private:
    LogSink();
    void RecomputeLevels();  // requires mutex_
    void WriteStderr(int priority, std::string_view line) const;
    // Whether the system log socket exists, looked at no more than once a second.
    bool SyslogReachable() const;

    // Guarded by mutex_.
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<LogOutput>> outputs_;
    // openlog(3) keeps the ident pointer, so every ident ever opened lives as long as
    // the process; a set of strings keeps each one's address stable. Socket paths are
    // kept the same way, since readers take the pointer without the lock.
    std::set<std::string> idents_;
    std::set<std::string> socketPaths_;

    // Read without the lock: the highest level of any output, and of the mirror.
    std::atomic<int> syslogLevel_{0};
    std::atomic<int> stderrLevel_{0};
    // The ident syslog currently writes under: an element of idents_ or a literal.
    std::atomic<const char*> ident_{kDefaultIdent};
    // The socket SyslogReachable looks at: kSyslogSocket or an element of socketPaths_.
    std::atomic<const char*> syslogSocket_{kSyslogSocket};
    // The last answer of SyslogReachable and when to look again (coarse monotonic clock, ns).
    mutable std::atomic<bool> syslogReachable_{false};
    mutable std::atomic<int64_t> nextSyslogCheck_{0};
};
