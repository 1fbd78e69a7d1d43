// TransportErrorValues: the error values by which the transport reports an exchange that
// failed on the wire, so the outcome can be logged and the connection closed.
//
// Stateless; thread-safe.
#pragma once

#include <boost/system/error_code.hpp>
#include <string_view>

#include "platform/lumo/ErrorValue.hpp"

namespace Lumo::Transport::Http {

class TransportErrorValues {
public:
    static constexpr std::string_view kSystemError = "system_error";
    static constexpr std::string_view kRecvFailed = "lumo.recv.failed";
    static constexpr std::string_view kSendFailed = "lumo.send.failed";
    static constexpr std::string_view kInvalidRequest = "InvalidRequest";
    static constexpr std::string_view kProtocolError = "protocol_error";

    // "system_error" with the message "lumo.recv.failed" whose argument is the error's text.
    static Data::ErrorValuePtr RecvFailed(const boost::system::error_code& ec);
    // "system_error" with the message "lumo.send.failed" whose argument is the error's text.
    static Data::ErrorValuePtr SendFailed(const boost::system::error_code& ec);
    // The outcome of an exchange answered with the 400 JSON error.
    static Data::ErrorValuePtr InvalidRequest();
    // The outcome of an exchange the protocol handler refused, with the error's text.
    static Data::ErrorValuePtr ProtocolError(const std::error_code& ec);
};

}  // namespace Lumo::Transport::Http
