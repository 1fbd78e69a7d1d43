// String helpers of the host library: formatting into a std::string and trimming.
//
// Free functions without state; thread-safe.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

// The printf-style formatted text, however long. A format error gives "".
std::string Str_SafeAsprintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Str_SafeVasprintf(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));

// `text` without leading and trailing blanks (space, tab, CR, LF).
std::string_view Str_Trim(std::string_view text);
