// ParseContentLength: the conversion of a Content-Length field value into a byte count.
// A pure function; thread-safe.
//
// The value is read as an unsigned integer with automatic base, the way strtoul with base 0
// reads it: "0x" or "0X" followed by hex digits is hexadecimal, a leading "0" is octal, any
// other digits are decimal. So "010" is 8 and "0x10" is 16. Unlike strtoul the whole value
// must be a number and nothing else:
//   - an empty value                         -> Lumo::ToolsError::named_argument_not_found
//   - a sign ("-1", "+5"), a blank before or after the digits, a prefix without digits
//     ("0x"), a digit outside the base ("08", "0xg"), or anything after the digits
//                                            -> PicoHttp invalid_request
//   - a well-formed number above 2^64 - 1    -> Http message_too_long
// Malformed text is reported as malformed even when its digits would also overflow.
#pragma once

#include <cstdint>
#include <string_view>
#include <system_error>

namespace Lumo::Transport::PicoHttp {

// Converts `value`; on success stores the count in `length` and returns no error, otherwise
// leaves `length` unchanged and returns the error described above.
std::error_code ParseContentLength(std::string_view value, std::uint64_t& length);

}  // namespace Lumo::Transport::PicoHttp
