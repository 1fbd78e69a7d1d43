// The check every caller-supplied value passes before a service places it on a command line.
//
// Free functions without state; thread-safe.
#pragma once

#include <string_view>

namespace LifeCycle {

// The characters that never go on a command line from a caller: ; \ * + % $ ~ ! " ' : & | `
// and the line feed.
inline constexpr std::string_view kUnsafeCharacters = ";\\*+%$~!\"':&|`\n";

// True when `s` is empty or white space only.
bool IsBlankString(std::string_view s);

// True when no character of kUnsafeCharacters occurs in `s`.
bool HasNoUnsafeCharacters(std::string_view s);

// False for a blank value, else HasNoUnsafeCharacters: inner blanks are allowed, a value that
// is nothing but blanks is not.
bool IsSafeCommandArgument(std::string_view s);

}  // namespace LifeCycle
