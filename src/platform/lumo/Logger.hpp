// Lumo::Log::Logger: the sink the API framework writes its log records to.
//
// The framework asks the logger for a record at a level, writes the text into the
// record's stream and destroys the record, which emits it. A logger that answers no
// record for a level keeps the framework from formatting anything. Implementations are
// shared across threads; each record is used by one thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>

namespace Lumo::Log {

// Framework log levels: 0 is the most verbose, 5 the most severe.
enum Level : uint32_t {
    kTrace = 0,
    kDebug = 1,
    kInfo = 2,
    kWarning = 3,
    kError = 4,
    kFatal = 5,
};

class LogRecord {
public:
    // The stream the record's text is written into.
    virtual std::ostream& Stream() = 0;
    // Emits the collected text.
    virtual ~LogRecord() = default;
};

class Logger {
public:
    // A new record for `level`, owned by the caller, or null when the level is disabled.
    virtual std::unique_ptr<LogRecord> CreateRecord(uint32_t level) = 0;
    // Flushes buffered records; the daemon's loggers write at once and do nothing here.
    virtual void Flush() = 0;
    virtual ~Logger() = default;
};

// Writes `parts...` as one record at `level` when the logger has that level enabled.
template <typename... Parts>
void Write(Logger* logger, uint32_t level, const Parts&... parts)
{
    if (logger == nullptr) {
        return;
    }
    if (auto record = logger->CreateRecord(level)) {
        (record->Stream() << ... << parts);
    }
}

}  // namespace Lumo::Log
