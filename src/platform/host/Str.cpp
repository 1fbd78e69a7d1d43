#include "platform/host/Str.hpp"

#include <cstdio>

std::string Str_SafeAsprintf(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string text = Str_SafeVasprintf(fmt, args);
    va_end(args);
    return text;
}

std::string Str_SafeVasprintf(const char* fmt, va_list args)
{
    // Most texts fit the first try; a longer one is measured and formatted again.
    char small[256];
    va_list again;
    va_copy(again, args);
    const int length = vsnprintf(small, sizeof small, fmt, args);
    if (length < 0) {
        va_end(again);
        return {};
    }
    if (static_cast<size_t>(length) < sizeof small) {
        va_end(again);
        return std::string(small, static_cast<size_t>(length));
    }
    std::string text(static_cast<size_t>(length), '\0');
    vsnprintf(text.data(), text.size() + 1, fmt, again);
    va_end(again);
    return text;
}

std::string_view Str_Trim(std::string_view text)
{
    constexpr std::string_view kBlanks = " \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}
