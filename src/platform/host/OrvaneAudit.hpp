// OrvaneAudit: the host's audit trail, one JSON object per line in /var/log/orvane/audit.log.
//
// Each record is appended with one write(2) to a file opened with O_APPEND, so records
// of concurrent threads and processes never interleave. A record that cannot be
// written is logged and dropped: auditing never stops the caller. Thread-safe.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

inline constexpr const char* kAuditLogPath = "/var/log/orvane/audit.log";
// Longest string value kept in a record, in bytes; a longer one is cut and marked.
inline constexpr size_t kAuditMaxValue = 4096;

// One named value of an audit record: a string, an integer or a boolean.
struct AuditItem {
    using Value = std::variant<std::string, int64_t, bool>;

    AuditItem(std::string itemName, std::string text) : name(std::move(itemName)), value(std::move(text)) {}
    AuditItem(std::string itemName, const char* text) : name(std::move(itemName)), value(std::string(text)) {}
    AuditItem(std::string itemName, bool flag) : name(std::move(itemName)), value(flag) {}
    template <std::integral T>
    requires(!std::same_as<T, bool>) AuditItem(std::string itemName, T number)
        : name(std::move(itemName)), value(static_cast<int64_t>(number))
    {
    }

    std::string name;
    Value value;
};

// Appends one record {"event", "time", "pid", "subject", "object", "success", "items"}.
// Items with a name already used in the record are dropped. False, logged, when the
// event id is empty or the record cannot be written.
bool OrvaneAudit_LogList(std::string_view eventId, std::string_view subject, std::string_view object,
                         bool success, const std::vector<AuditItem>& items);

// The JSON string literal of `text`: quotes, backslashes and control characters escaped,
// invalid UTF-8 replaced by U+FFFD, and text past `limit` bytes cut and marked.
void OrvaneAudit_AppendJsonString(std::string& out, std::string_view text, size_t limit = kAuditMaxValue);
