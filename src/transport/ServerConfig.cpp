#include "transport/ServerConfig.hpp"

#include <cinttypes>
#include <cstdio>
#include <sstream>

namespace Lumo::Transport::PicoHttp {

std::string FormatDuration(std::chrono::nanoseconds duration)
{
    struct Unit {
        int64_t nanos;
        const char* name;
    };
    static constexpr Unit kUnits[] = {
        {60'000'000'000, " minutes"}, {1'000'000'000, " seconds"}, {1'000'000, " milliseconds"},
        {1'000, " microseconds"},     {1, " nanoseconds"},
    };
    int64_t rest = duration.count();
    std::string text;
    char digits[32];
    for (const Unit& unit : kUnits) {
        int64_t count = rest / unit.nanos;
        if (count == 0) {
            continue;
        }
        rest -= count * unit.nanos;
        std::snprintf(digits, sizeof digits, "%ld", static_cast<long>(count));
        text += text.empty() ? "" : " and ";
        text += digits;
        text += unit.name;
    }
    return text.empty() ? "0 nanoseconds" : text;
}

std::string ServerConfig::ToString() const
{
    std::ostringstream out;
    char limit[32];
    std::snprintf(limit, sizeof limit, "%lu", static_cast<unsigned long>(httpBodySizeLimitInBytes));
    out << "ServerConfig{" << "port:" << endpoint4.port() << "endpoint4:" << endpoint4
        << ";endpoint6:" << endpoint6 << "readTimeout:" << FormatDuration(readTimeout)
        << ";writeTimeout:" << FormatDuration(writeTimeout) << ";httpBodySizeLimitInBytes:" << limit;
    out << "count:" << extractors.size();
    if (!localizer) {
        out << ";Localizer not set";
    }
    return out.str();
}

}  // namespace Lumo::Transport::PicoHttp
