// StreamServerSpec: the settings of one accept loop, and the accept condition that admits
// every connection.
//
// Plain values, copied into each StreamServer.
#pragma once

#include <chrono>

#include "transport/stream/IOTimeouts.hpp"
#include "util/Asio.hpp"

namespace Lumo::Asio {

struct StreamServerSpec {
    // Deadlines of every accepted connection.
    IOTimeouts timeouts;
    // Pause before accepting again after the process ran out of descriptors.
    std::chrono::steady_clock::duration acceptRetryDelay = std::chrono::milliseconds(500);
};

// Admits every accepted connection.
struct AcceptAllCond {
    bool operator()(const boost::asio::ip::tcp::socket&) const noexcept { return true; }
};

}  // namespace Lumo::Asio
