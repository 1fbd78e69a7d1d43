// TaskTime: the timestamps written into task records.
//
// Free functions, thread-safe.
#pragma once

#include <chrono>
#include <string>

namespace TaskDB {

// `when` as UTC text "YYYY-MM-DDTHH:MM:SS.mmmZ" (milliseconds truncated).
std::string FormatUtcTime(std::chrono::system_clock::time_point when);

// The current time as FormatUtcTime renders it.
std::string UtcNow();

}  // namespace TaskDB
