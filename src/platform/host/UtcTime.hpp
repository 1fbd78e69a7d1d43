// UtcTime: the one timestamp form of the host's files and log lines,
// "YYYY-MM-DDTHH:MM:SS.mmmZ" (UTC, milliseconds truncated), so that lines written by
// several processes sort together. Free functions, thread-safe.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

// Writes `when` into `out` (NUL-terminated, cut to fit `size`); returns the length written.
size_t UtcTime_Format(std::chrono::system_clock::time_point when, char* out, size_t size);

std::string UtcTime_Format(std::chrono::system_clock::time_point when);

// The current time in that form.
std::string UtcTime_Now();
