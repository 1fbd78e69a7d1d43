#include "platform/host/CSLogger.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/host/LogSink.hpp"

namespace {

thread_local std::map<std::string, std::string> threadContext;

constexpr std::string_view kTruncated = " [truncated]";
// Text plus context; the rest of LogSink::kMaxLine is kept for the stderr prefix.
constexpr size_t kMaxText = LogSink::kMaxLine - 128;
// Room kept for the context after a long message, so an overlong line still says which
// operation wrote it.
constexpr size_t kMaxContext = 512;

// A line being assembled in a fixed buffer. Each append stops at a limit and a cut part
// is marked with " [truncated]", so nothing ever overflows and no allocation is made.
class LineBuffer {
public:
    // Appends printf-style text, keeping the line within `limit` bytes.
    void AppendFormatted(size_t limit, const char* fmt, va_list args)
    {
        const size_t room = Room(limit);
        // vsnprintf writes at most room characters plus a NUL, hence the extra byte.
        const int wanted = vsnprintf(data_ + size_, room + 1, fmt, args);
        if (wanted < 0) {
            return;
        }
        size_ += std::min(static_cast<size_t>(wanted), room);
        if (static_cast<size_t>(wanted) > room) {
            MarkCut();
        }
    }

    // Appends plain text, keeping the line within `limit` bytes.
    void Append(size_t limit, std::string_view part)
    {
        const size_t room = Room(limit);
        const size_t length = std::min(part.size(), room);
        std::memcpy(data_ + size_, part.data(), length);
        size_ += length;
        if (length < part.size()) {
            MarkCut();
        }
    }

    // Drops trailing newlines: host formats often end in "\n", and each record is one line.
    void TrimNewlines()
    {
        while (size_ > 0 && (data_[size_ - 1] == '\n' || data_[size_ - 1] == '\r')) {
            --size_;
        }
    }

    std::string_view View() const { return {data_, size_}; }

private:
    // Free bytes below `limit`, less the marker that a cut would need.
    size_t Room(size_t limit) const
    {
        const size_t usable = std::min(limit, kMaxText) - kTruncated.size();
        return usable > size_ ? usable - size_ : 0;
    }

    // Drops a UTF-8 sequence that the cut left incomplete, then writes the marker.
    void MarkCut()
    {
        size_t lead = size_;
        size_t following = 0;
        while (lead > 0 && following < 3 && (Byte(lead - 1) & 0xC0) == 0x80) {
            --lead;
            ++following;
        }
        if (lead > 0 && Byte(lead - 1) >= 0xC0) {
            const unsigned char first = Byte(lead - 1);
            const size_t needed = first >= 0xF0 ? 3 : first >= 0xE0 ? 2 : 1;
            if (following < needed) {
                size_ = lead - 1;
            }
        }
        std::memcpy(data_ + size_, kTruncated.data(), kTruncated.size());
        size_ += kTruncated.size();
    }

    unsigned char Byte(size_t index) const { return static_cast<unsigned char>(data_[index]); }

    char data_[kMaxText + 1];
    size_t size_ = 0;
};

size_t ContextLength()
{
    size_t length = threadContext.empty() ? 0 : 1;  // " {" ... "}" less the first ", "
    for (const auto& [key, value] : threadContext) {
        length += 2 + key.size() + 1 + value.size();
    }
    return length;
}

void AppendContext(LineBuffer& line)
{
    const char* separator = " {";
    for (const auto& [key, value] : threadContext) {
        line.Append(kMaxText, separator);
        line.Append(kMaxText, key);
        line.Append(kMaxText, "=");
        line.Append(kMaxText, value);
        separator = ", ";
    }
    if (!threadContext.empty()) {
        line.Append(kMaxText, "}");
    }
}

}  // namespace

void CSLogger::Log(int priority, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    LogV(priority, fmt, args);
    va_end(args);
}

void CSLogger::LogV(int priority, const char* fmt, va_list args)
{
    priority = std::clamp(priority, 0, 4);
    LogSink& sink = LogSink::Process();
    if (!sink.Enabled(priority + 3)) {
        return;  // nothing is formatted for a level nobody writes
    }
    LineBuffer line;
    line.AppendFormatted(kMaxText - kTruncated.size() - std::min(ContextLength(), kMaxContext), fmt, args);
    line.TrimNewlines();
    AppendContext(line);
    sink.Write(priority, line.View());
}

void CSLogger::CurrentContext::Set(const std::string& key, const std::string& value)
{
    threadContext[key] = value;
}

void CSLogger::CurrentContext::Erase(const std::string& key) { threadContext.erase(key); }

const std::map<std::string, std::string>& CSLogger::CurrentContext::Entries() { return threadContext; }
