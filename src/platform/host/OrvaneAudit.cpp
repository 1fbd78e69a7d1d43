#include "platform/host/OrvaneAudit.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

#include "platform/host/CSLogger.hpp"
#include "platform/host/CodeSet.hpp"
#include "platform/host/HostRoot.hpp"
#include "platform/host/UtcTime.hpp"

namespace {

constexpr std::string_view kReplacement = "\\ufffd";
constexpr std::string_view kCutMarker = "...[truncated]";

void AppendEscape(std::string& out, unsigned char c)
{
    switch (c) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
    }
}

void AppendValue(std::string& out, const AuditItem::Value& value)
{
    if (const auto* text = std::get_if<std::string>(&value)) {
        OrvaneAudit_AppendJsonString(out, *text);
    } else if (const auto* number = std::get_if<int64_t>(&value)) {
        out += std::to_string(*number);
    } else {
        out += std::get<bool>(value) ? "true" : "false";
    }
}

void AppendItems(std::string& out, const std::vector<AuditItem>& items)
{
    std::set<std::string_view> seen;
    out += "{";
    for (const AuditItem& item : items) {
        if (!seen.insert(item.name).second) {
            CSLogger::Log(1, "Audit: item '%s' repeated, the first value is kept", item.name.c_str());
            continue;
        }
        if (seen.size() > 1) {
            out += ",";
        }
        OrvaneAudit_AppendJsonString(out, item.name);
        out += ":";
        AppendValue(out, item.value);
    }
    out += "}";
}

std::string FormatRecord(std::string_view eventId, std::string_view subject, std::string_view object,
                         bool success, const std::vector<AuditItem>& items)
{
    std::string record = "{\"event\":";
    OrvaneAudit_AppendJsonString(record, eventId);
    record += ",\"time\":\"" + UtcTime_Now() + "\",\"pid\":" + std::to_string(getpid()) + ",\"subject\":";
    OrvaneAudit_AppendJsonString(record, subject);
    record += ",\"object\":";
    OrvaneAudit_AppendJsonString(record, object);
    record += success ? ",\"success\":true,\"items\":" : ",\"success\":false,\"items\":";
    AppendItems(record, items);
    record += "}\n";
    return record;
}

// One open and one write per record: the file may be rotated between records, and a
// single write to an O_APPEND file lands whole at its end.
bool AppendRecord(const std::string& path, const std::string& record)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
    if (fd < 0) {
        CSLogger::Log(0, "Audit: cannot open %s: %s", path.c_str(), std::strerror(errno));
        return false;
    }
    struct stat before = {};
    const bool sized = fstat(fd, &before) == 0;
    ssize_t written;
    do {
        written = write(fd, record.data(), record.size());
    } while (written < 0 && errno == EINTR);
    const int writeError = errno;
    if (written != static_cast<ssize_t>(record.size())) {
        // A part of a record (the disk filled up) would leave the log's last line unreadable.
        if (written > 0 && sized && ftruncate(fd, before.st_size) != 0) {
            CSLogger::Log(0, "Audit: cannot take a partial record back out of %s", path.c_str());
        }
        close(fd);
        CSLogger::Log(0, "Audit: cannot write to %s: %s", path.c_str(),
                      written < 0 ? std::strerror(writeError) : "short write");
        return false;
    }
    close(fd);
    return true;
}

}  // namespace

void OrvaneAudit_AppendJsonString(std::string& out, std::string_view text, size_t limit)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const bool cut = text.size() > limit;
    const size_t end = cut ? limit : text.size();
    out.push_back('"');
    size_t at = 0;
    while (at < end) {
        const unsigned char c = bytes[at];
        if (c < 0x20 || c == '"' || c == '\\') {
            AppendEscape(out, c);
            ++at;
            continue;
        }
        // A sequence that straddles the cut is judged on the whole text, then dropped.
        const size_t length = CodeSet_Utf8SequenceLength(bytes + at, text.size() - at);
        if (length == 0) {
            out += kReplacement;
            ++at;
        } else if (at + length > end) {
            break;
        } else {
            out.append(text.data() + at, length);
            at += length;
        }
    }
    if (cut) {
        out += kCutMarker;
    }
    out.push_back('"');
}

bool OrvaneAudit_LogList(std::string_view eventId, std::string_view subject, std::string_view object,
                         bool success, const std::vector<AuditItem>& items)
{
    if (eventId.empty()) {
        CSLogger::Log(0, "Audit: record without an event id dropped");
        return false;
    }
    return AppendRecord(HostRoot::Path(kAuditLogPath),
                        FormatRecord(eventId, subject, object, success, items));
}
