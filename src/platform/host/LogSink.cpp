#include "platform/host/LogSink.hpp"

#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/UtcTime.hpp"

namespace {

int ClampLevel(int level) { return std::clamp(level, 0, LogSink::kMaxLevel); }

int SyslogSeverity(int priority)
{
    switch (priority) {
        case 0:
            return LOG_ERR;
        case 1:
            return LOG_WARNING;
        case 2:
            return LOG_INFO;
        default:
            return LOG_DEBUG;
    }
}

}  // namespace

LogSink& LogSink::Process()
{
    // Constructed on first use so that code running before main() can log safely.
    static LogSink sink;
    return sink;
}

LogSink::LogSink()
{
    const char* mirror = std::getenv("HOSTPREFD_LOG_STDERR");
    if (mirror != nullptr && std::strcmp(mirror, "1") == 0) {
        stderrLevel_ = kMaxLevel;
    }
}

bool LogSink::Add(LogOutput* output)
{
    if (output == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& present : outputs_) {
        if (present->name == output->name) {
            return false;
        }
    }
    const std::string& ident = *idents_.insert(output->ident).first;
    openlog(ident.c_str(), LOG_PID | LOG_NDELAY, LOG_DAEMON);
    ident_ = ident.c_str();
    outputs_.emplace_back(output);
    RecomputeLevels();
    return true;
}

void LogSink::RemoveAll()
{
    std::lock_guard<std::mutex> lock(mutex_);
    outputs_.clear();
    RecomputeLevels();
    closelog();
    ident_ = kDefaultIdent;
}

void LogSink::SetLevel(LogOutput* output, int level)
{
    if (output == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    output->level = ClampLevel(level);
    RecomputeLevels();
}

void LogSink::SetStderrLevel(int level) { stderrLevel_ = ClampLevel(level); }

void LogSink::RecomputeLevels()
{
    int highest = 0;
    for (const auto& output : outputs_) {
        highest = std::max(highest, output->level);
    }
    syslogLevel_ = highest;
}

bool LogSink::Enabled(int level) const
{
    // Level 0 would otherwise count as on with no output at all.
    if (level < 1) {
        return false;
    }
    if (level <= stderrLevel_.load(std::memory_order_relaxed)) {
        return true;
    }
    return level <= syslogLevel_.load(std::memory_order_relaxed) && SyslogReachable();
}

void LogSink::SetSyslogSocket(const std::string& path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    syslogSocket_ = socketPaths_.insert(path).first->c_str();
    nextSyslogCheck_ = 0;  // look at the new path on the next line
}

void LogSink::Write(int priority, std::string_view line)
{
    priority = std::clamp(priority, 0, 4);
    const int level = priority + 3;
    if (level <= syslogLevel_ && SyslogReachable()) {
        syslog(SyslogSeverity(priority), "%.*s", static_cast<int>(line.size()), line.data());
    }
    if (level <= stderrLevel_) {
        WriteStderr(priority, line);
    }
}

bool LogSink::SyslogReachable() const
{
    // Without a log socket syslog(3) tries to connect again on every line, three system
    // calls each time, only to drop the line; on a busy endpoint that was half of its CPU.
    // Looking once a second keeps that cost away and still notices a log daemon that
    // starts (or stops) later. The coarse clock is read from memory, without a system
    // call, since this runs for every line of an enabled level.
    constexpr int64_t kRecheckNs = 1'000'000'000;
    timespec clock {};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &clock);
    const int64_t now = static_cast<int64_t>(clock.tv_sec) * 1'000'000'000 + clock.tv_nsec;
    int64_t due = nextSyslogCheck_.load(std::memory_order_relaxed);
    if (now >= due && nextSyslogCheck_.compare_exchange_strong(due, now + kRecheckNs)) {
        struct stat status {};
        syslogReachable_ = ::stat(syslogSocket_.load(), &status) == 0 && S_ISSOCK(status.st_mode);
    }
    return syslogReachable_.load(std::memory_order_relaxed);
}

void LogSink::WriteStderr(int priority, std::string_view line) const
{
    // The whole line is assembled first and written with one write(2): lines of
    // concurrent threads (or processes sharing the descriptor) never interleave.
    char buffer[kMaxLine];
    size_t used = UtcTime_Format(std::chrono::system_clock::now(), buffer, sizeof buffer);
    int head = snprintf(buffer + used, sizeof buffer - used, " %s[%d]: <%d> ", ident_.load(),
                        static_cast<int>(getpid()), priority);
    used += static_cast<size_t>(std::max(head, 0));
    const size_t room = sizeof buffer - used - 1;  // one byte kept for the newline
    const size_t length = std::min(line.size(), room);
    std::memcpy(buffer + used, line.data(), length);
    used += length;
    buffer[used++] = '\n';

    const char* next = buffer;
    size_t left = used;
    while (left > 0) {
        ssize_t written = ::write(STDERR_FILENO, next, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;  // nowhere left to report a failing stderr
        }
        next += written;
        left -= static_cast<size_t>(written);
    }
}
