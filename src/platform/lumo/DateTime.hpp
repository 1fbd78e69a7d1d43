// Lumo::DateTime: a point in time in UTC with millisecond precision.
//
// A plain value type, freely copied; thread-safe as any const value. Its text form is
// ISO 8601 "YYYY-MM-DDTHH:MM:SS.mmmZ", years 0000 to 9999.
#pragma once

#include <chrono>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Lumo {

class DateTime {
public:
    using TimePoint = std::chrono::sys_time<std::chrono::milliseconds>;

    // The Unix epoch, 1970-01-01T00:00:00.000Z.
    DateTime() = default;
    explicit DateTime(TimePoint time) : time_(time) {}

    // The current time, truncated to milliseconds.
    static DateTime GetUtcDateTime();

    // Parses "YYYY-MM-DDTHH:MM:SS[.fraction]" followed by "Z" or an offset "+HH:MM" / "-HH:MM"
    // (converted to UTC); the fraction has 1 to 9 digits and is truncated to milliseconds.
    // Anything else, or a date or time that does not exist, gives nullopt.
    static std::optional<DateTime> Create(std::string_view text);

    // The time `seconds` after the Unix epoch (negative for before).
    static DateTime FromUnixSeconds(int64_t seconds);

    // "YYYY-MM-DDTHH:MM:SS.mmmZ".
    std::string ToString() const;

    TimePoint Time() const { return time_; }
    int64_t UnixMilliseconds() const { return time_.time_since_epoch().count(); }

    auto operator<=>(const DateTime&) const = default;

private:
    TimePoint time_{};
};

}  // namespace Lumo
