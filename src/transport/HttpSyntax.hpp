// HttpSyntax: character classes of the HTTP/1.1 message grammar, shared by the head parser
// and the chunked decoder. Pure functions; thread-safe.
#pragma once

namespace Lumo::Transport::PicoHttp::Syntax {

// A "tchar" of a token: method names and field names.
constexpr bool IsTokenChar(char ch)
{
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
        return true;
    }
    switch (c) {
        case '!': case '#': case '$': case '%': case '&': case '\'': case '*': case '+':
        case '-': case '.': case '^': case '_': case '`': case '|': case '~':
            return true;
        default:
            return false;
    }
}

// A byte of a request target: any visible ASCII character.
constexpr bool IsTargetChar(char ch)
{
    const auto c = static_cast<unsigned char>(ch);
    return c > 0x20 && c < 0x7f;
}

// A byte of a field value: visible ASCII, blanks and obs-text; no control bytes, no DEL.
constexpr bool IsFieldValueChar(char ch)
{
    const auto c = static_cast<unsigned char>(ch);
    return c == '\t' || (c >= 0x20 && c != 0x7f);
}

constexpr bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The value of a hexadecimal digit, or -1.
constexpr int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr char ToLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace Lumo::Transport::PicoHttp::Syntax
