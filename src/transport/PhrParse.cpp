#include "transport/PhrParse.hpp"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

#include "transport/HttpSyntax.hpp"

namespace Lumo::Transport::PicoHttp {
namespace {

using namespace Syntax;

// The line checks below see a line without its CRLF. A line whose CRLF has not arrived yet
// (`complete` false) may still grow, so running out of bytes there is not an error: the check
// then answers whether the bytes so far can begin a valid line. Control bytes (CR included)
// fail every character class, so a CR inside a line is refused without a separate test.

std::size_t SkipWhile(std::string_view line, std::size_t i, bool (*inClass)(char))
{
    while (i < line.size() && inClass(line[i])) {
        ++i;
    }
    return i;
}

bool CheckVersion(std::string_view version, bool complete, HttpRequest* out)
{
    constexpr std::string_view kPrefix = "HTTP/1.";
    const std::size_t common = std::min(version.size(), kPrefix.size());
    if (version.substr(0, common) != kPrefix.substr(0, common)) {
        return false;
    }
    if (version.size() <= kPrefix.size()) {
        return !complete;
    }
    const char minor = version[kPrefix.size()];
    if ((minor != '0' && minor != '1') || version.size() > kPrefix.size() + 1) {
        return false;
    }
    if (out != nullptr) {
        out->minorVersion = minor - '0';
    }
    return true;
}

bool CheckRequestLine(std::string_view line, bool complete, HttpRequest* out)
{
    const std::size_t methodEnd = SkipWhile(line, 0, IsTokenChar);
    if (methodEnd == line.size()) {
        return !complete;
    }
    if (methodEnd == 0 || line[methodEnd] != ' ') {
        return false;
    }
    const std::size_t targetStart = methodEnd + 1;
    const std::size_t targetEnd = SkipWhile(line, targetStart, IsTargetChar);
    if (targetEnd == line.size()) {
        return !complete;
    }
    if (targetEnd == targetStart || line[targetEnd] != ' ') {
        return false;
    }
    if (!CheckVersion(line.substr(targetEnd + 1), complete, complete ? out : nullptr)) {
        return false;
    }
    if (complete && out != nullptr) {
        out->method = line.substr(0, methodEnd);
        out->path = line.substr(targetStart, targetEnd - targetStart);
    }
    return true;
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// An empty complete line ends the head and never reaches this check.
bool CheckFieldLine(std::string_view line, bool complete, HttpHeader* out)
{
    const std::size_t nameEnd = SkipWhile(line, 0, IsTokenChar);
    if (nameEnd == line.size()) {
        return !complete;
    }
    // A leading blank (a folded line) or a blank before the colon lands here too.
    if (nameEnd == 0 || line[nameEnd] != ':') {
        return false;
    }
    const std::string_view value = line.substr(nameEnd + 1);
    if (!std::all_of(value.begin(), value.end(), IsFieldValueChar)) {
        return false;
    }
    if (complete && out != nullptr) {
        out->name = line.substr(0, nameEnd);
        out->value = TrimBlanks(value);
    }
    return true;
}

// Checks the open last line buffer[pos, length), which has no LF yet.
int CheckOpenLine(const char* buffer, std::size_t pos, std::size_t length, std::size_t lines)
{
    std::string_view line(buffer + pos, length - pos);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);  // may be the CR of the coming CRLF
    }
    if (lines == 0) {
        return CheckRequestLine(line, false, nullptr) ? kPhrIncomplete : kPhrMalformed;
    }
    if (line.empty()) {
        return kPhrIncomplete;  // the start of the next field line or of the final CRLF
    }
    if (lines - 1 >= HttpRequest::kMaxHeaders) {
        return kPhrMalformed;  // a field line beyond the last one we have room for
    }
    return CheckFieldLine(line, false, nullptr) ? kPhrIncomplete : kPhrMalformed;
}

// Walks the lines from `pos`, which starts a line that has `lines` complete lines before it.
// With `out` set, the head is stored into it as it is parsed.
int WalkLines(const char* buffer, std::size_t length, std::size_t pos, std::size_t lines, HttpRequest* out)
{
    for (;;) {
        // An empty buffer may come with a null pointer, which memchr must not see.
        const auto* lf = pos < length ? static_cast<const char*>(std::memchr(buffer + pos, '\n', length - pos))
                                      : nullptr;
        if (lf == nullptr) {
            return CheckOpenLine(buffer, pos, length, lines);
        }
        const auto lfPos = static_cast<std::size_t>(lf - buffer);
        if (lfPos == pos || buffer[lfPos - 1] != '\r') {
            return kPhrMalformed;  // bare LF
        }
        const std::string_view line(buffer + pos, lfPos - 1 - pos);
        if (lines == 0) {
            if (!CheckRequestLine(line, true, out)) return kPhrMalformed;
        } else if (line.empty()) {
            if (out != nullptr) out->headerCount = lines - 1;
            return static_cast<int>(lfPos + 1);
        } else {
            const std::size_t index = lines - 1;
            if (index >= HttpRequest::kMaxHeaders) return kPhrMalformed;
            if (!CheckFieldLine(line, true, out != nullptr ? &out->headers[index] : nullptr)) {
                return kPhrMalformed;
            }
        }
        pos = lfPos + 1;
        ++lines;
    }
}

void ClearHead(HttpRequest& request)
{
    request.method = {};
    request.path = {};
    request.minorVersion = -1;
    // A failed walk may have filled entries past headerCount: clear them all.
    request.headers.fill(HttpHeader{});
    request.headerCount = 0;
}

}  // namespace

int PhrParse(const char* buffer, std::size_t length, HttpRequest& request, std::size_t previousLength)
{
    // The result is an int: a head can never be longer than that.
    length = std::min<std::size_t>(length, INT_MAX);
    ClearHead(request);

    // The bytes before previousLength were a valid incomplete head, so every line that was
    // complete then is still valid: resume at the line that was open. Only once the head is
    // complete is it walked from the start, to fill the request.
    if (previousLength > 0 && previousLength < length) {
        const std::string_view seen(buffer, previousLength);
        const std::size_t lastLf = seen.rfind('\n');
        if (lastLf != std::string_view::npos) {
            const std::size_t resume = lastLf + 1;
            const auto lines = static_cast<std::size_t>(std::count(seen.begin(), seen.begin() + resume, '\n'));
            const int result = WalkLines(buffer, length, resume, lines, nullptr);
            if (result <= 0) {
                return result;
            }
        }
    }
    const int result = WalkLines(buffer, length, 0, 0, &request);
    if (result <= 0) {
        ClearHead(request);
    }
    return result;
}

}  // namespace Lumo::Transport::PicoHttp
