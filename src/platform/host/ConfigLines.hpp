// Str_ForEachConfigLine: the line reading shared by the host's small settings files
// (preferences, feature switches): blanks trimmed, empty lines and '#' comments skipped.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Calls `line(number, text)` for each meaningful line of `path` (numbers count from 1 over
// every line). The whole file is read first: when it is missing, is not a regular file or
// cannot be read to its end, no line is passed on, `why` (if given) says what went wrong
// and the result is false.
bool Str_ForEachConfigLine(const std::string& path, const std::function<void(int, std::string_view)>& line,
                           std::string* why = nullptr);
