// The error category of HTTP message framing shared by the transport's body streams
// ("Lumo Transport Http") and its codes. Immutable singleton; thread-safe.
#pragma once

#include <boost/system/error_code.hpp>

namespace Lumo::Transport::Http::Error {

enum Code {
    frame_parse_error = 1,
    message_too_long = 2,
    end_of_body = 3,
};

// The category object; the same reference on every call.
const boost::system::error_category& transport_category();

// An error code of `code` in transport_category().
boost::system::error_code make_error_code(Code code);

}  // namespace Lumo::Transport::Http::Error

namespace boost::system {
template <>
struct is_error_code_enum<Lumo::Transport::Http::Error::Code> : std::true_type {};
}  // namespace boost::system
