// StreamServerSpec: the settings of one accept loop, and the accept condition that admits
// every connection.
//
// Plain values, copied into each StreamServer.
#pragma once

#include <chrono>
#include <memory>

#include "transport/stream/IOTimeouts.hpp"
#include "transport/stream/IdleMemoryTrimmer.hpp"
#include "util/Asio.hpp"

namespace Lumo::Asio {

struct StreamServerSpec {
    // Deadlines of every accepted connection.
    IOTimeouts timeouts;
    // Pause before accepting again after the process ran out of descriptors.
    std::chrono::steady_clock::duration acceptRetryDelay = std::chrono::milliseconds(500);
    // Told of every connection while it is open, so that memory is trimmed once none is;
    // may be null.
    std::shared_ptr<IdleMemoryTrimmer> trimmer = nullptr;
};

// Admits every accepted connection.
struct AcceptAllCond {
    bool operator()(const boost::asio::ip::tcp::socket&) const noexcept { return true; }
};

}  // namespace Lumo::Asio
