// IOTimeouts: how long one read and one write on a connection may stay outstanding.
//
// A plain value, copied into every connection stream; a zero or negative duration means
// the operation times out as soon as the reactor looks at it. Thread-safe as a value.
#pragma once

#include <chrono>

namespace Lumo::Asio {

struct IOTimeouts {
    std::chrono::steady_clock::duration readTimeout;
    std::chrono::steady_clock::duration writeTimeout;
};

// now + `timeout`, clamped to the clock's range instead of overflowing.
inline std::chrono::steady_clock::time_point SaturatingDeadline(std::chrono::steady_clock::time_point now,
                                                                std::chrono::steady_clock::duration timeout)
{
    using Clock = std::chrono::steady_clock;
    if (timeout > Clock::duration::zero() && now > Clock::time_point::max() - timeout) {
        return Clock::time_point::max();
    }
    if (timeout < Clock::duration::zero() && now < Clock::time_point::min() - timeout) {
        return Clock::time_point::min();
    }
    return now + timeout;
}

}  // namespace Lumo::Asio
