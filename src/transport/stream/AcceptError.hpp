// AcceptError: the outcome of one failed accept and what the accept loop does about it.
//
// A plain value made by the accept loop for its log line and its next step.
#pragma once

#include <cerrno>
#include <cstdint>

#include "util/Asio.hpp"

namespace Lumo::Asio {

struct AcceptError {
    // Stop accepting on this acceptor.
    static constexpr std::uint32_t kTerminalAcceptError = 1u << 0;
    // Wait, then accept again.
    static constexpr std::uint32_t kDelayAcceptError = 1u << 1;

    // Running out of descriptors passes once connections close; anything else will not.
    static AcceptError Classify(const boost::system::error_code& ec)
    {
        const bool outOfDescriptors = ec == boost::system::error_code(EMFILE, boost::system::system_category());
        return {ec, outOfDescriptors ? kDelayAcceptError : kTerminalAcceptError};
    }

    bool Terminal() const noexcept { return (flags & kTerminalAcceptError) != 0; }
    bool Delay() const noexcept { return (flags & kDelayAcceptError) != 0; }

    boost::system::error_code error;
    std::uint32_t flags = 0;
};

}  // namespace Lumo::Asio
