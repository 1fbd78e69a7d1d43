#include "util/CommandArguments.hpp"

#include <algorithm>
#include <cctype>

namespace LifeCycle {

bool IsBlankString(std::string_view s)
{
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

bool HasNoUnsafeCharacters(std::string_view s)
{
    return s.find_first_of(kUnsafeCharacters) == std::string_view::npos;
}

bool IsSafeCommandArgument(std::string_view s) { return !IsBlankString(s) && HasNoUnsafeCharacters(s); }

}  // namespace LifeCycle
