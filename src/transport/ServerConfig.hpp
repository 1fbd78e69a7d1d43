// ServerConfig: what the endpoint hands to its listeners — addresses, deadlines, the body
// limit, request-spec extractors and the localizer for transport-level messages.
//
// A plain value, filled once by the endpoint and copied into each listener.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "util/Asio.hpp"

namespace Lumo::L10n {
class Localizer;
}

namespace Lumo::Transport::Http {
class RequestSpecExtractor;
}

namespace Lumo::Transport::PicoHttp {

struct ServerConfig {
    // When true the listeners would take the wildcard addresses; the daemon never sets it.
    bool anyAddress = false;
    boost::asio::ip::tcp::endpoint endpoint4;
    boost::asio::ip::tcp::endpoint endpoint6;
    std::chrono::nanoseconds readTimeout{0};
    std::chrono::nanoseconds writeTimeout{0};
    uint64_t httpBodySizeLimitInBytes = 0;
    std::vector<std::shared_ptr<Lumo::Transport::Http::RequestSpecExtractor>> extractors;
    std::shared_ptr<const Lumo::L10n::Localizer> localizer;

    // The diagnostic form: "ServerConfig{port:...endpoint4:...;endpoint6:...readTimeout:...}".
    std::string ToString() const;
};

// "20 minutes", "1 minutes and 30 seconds", "0 nanoseconds": each non-zero part from
// minutes down to nanoseconds, joined by " and ".
std::string FormatDuration(std::chrono::nanoseconds duration);

}  // namespace Lumo::Transport::PicoHttp
