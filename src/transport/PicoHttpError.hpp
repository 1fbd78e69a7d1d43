// The error category of the HTTP/1.1 request reader ("Lumo Transport PicoHttp") and its codes.
// The category is a process-wide immutable singleton; thread-safe.
#pragma once

#include <boost/system/error_code.hpp>

namespace Lumo::Transport::PicoHttp::Error {

enum Code {
    headers_parse_error = 1,
    chunk_parse_error = 2,
    http_protocol_error = 3,
    server_failed_to_listen = 4,
    invalid_request = 5,
    incomplete_body = 6,
    http_headers_too_long = 7,
};

// The category object; the same reference on every call.
const boost::system::error_category& transport_category();

// An error code of `code` in transport_category().
boost::system::error_code make_error_code(Code code);

}  // namespace Lumo::Transport::PicoHttp::Error

namespace boost::system {
template <>
struct is_error_code_enum<Lumo::Transport::PicoHttp::Error::Code> : std::true_type {};
}  // namespace boost::system
