#include "platform/host/taskdb/TaskTime.hpp"

#include <cstdio>
#include <ctime>

namespace TaskDB {

std::string FormatUtcTime(std::chrono::system_clock::time_point when)
{
    using namespace std::chrono;
    // floor, not duration_cast: times before 1970 must not round up into the next second.
    const auto millis = floor<milliseconds>(when.time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(millis / 1000);
    long fraction = static_cast<long>(millis % 1000);
    if (fraction < 0) {
        fraction += 1000;
        --seconds;
    }
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, fraction);
    return text;
}

std::string UtcNow() { return FormatUtcTime(std::chrono::system_clock::now()); }

}  // namespace TaskDB
