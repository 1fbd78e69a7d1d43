#include "platform/host/UtcTime.hpp"

#include <algorithm>
#include <cstdio>
#include <ctime>

size_t UtcTime_Format(std::chrono::system_clock::time_point when, char* out, size_t size)
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
    const int length =
        std::snprintf(out, size, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", parts.tm_year + 1900, parts.tm_mon + 1,
                      parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, fraction);
    if (length < 0 || size == 0) {
        return 0;
    }
    return std::min(static_cast<size_t>(length), size - 1);
}

std::string UtcTime_Format(std::chrono::system_clock::time_point when)
{
    char text[64];
    return std::string(text, UtcTime_Format(when, text, sizeof text));
}

std::string UtcTime_Now() { return UtcTime_Format(std::chrono::system_clock::now()); }
