// PhrParse: the parser of an HTTP/1.1 request head (request line and header fields).
// A pure function over the caller's buffer and request; thread-safe for distinct requests.
//
// Grammar accepted, strictly:
//   head         = request-line *( field-line ) CRLF
//   request-line = method SP request-target SP ( "HTTP/1.0" | "HTTP/1.1" ) CRLF
//   method       = 1*tchar;  request-target = 1*( %x21-7E )
//   field-line   = field-name ":" OWS field-value OWS CRLF;  field-name = 1*tchar
// Every line ends with CR LF: a bare LF, a CR not followed by LF, a control byte, a blank
// before the colon, a folded line (starting with SP or HTAB) and empty lines before the
// request line are malformed. At most HttpRequest::kMaxHeaders fields are accepted.
#pragma once

#include <cstddef>

#include "transport/HttpRequest.hpp"

namespace Lumo::Transport::PicoHttp {

constexpr int kPhrMalformed = -1;
constexpr int kPhrIncomplete = -2;

// Parses buffer[0, length). Returns the head length (> 0, including the final CRLF CRLF) and
// fills method, path, minorVersion, headers and headerCount with views into `buffer`;
// returns kPhrIncomplete (-2) when the bytes so far are a valid beginning of a head, and
// kPhrMalformed (-1) as soon as they cannot be. On -1 and -2 the request's views are empty.
//
// previousLength is the length of the previous call on the same buffer, which returned -2
// (0 for the first call): only the line that was still open then and the bytes after it are
// examined, until the head is complete, when the whole head is parsed once. Whatever the
// split of the input across calls, the results are those of a call with previousLength 0.
// Bytes at or after `length` are never read. The whole buffer is parsed: a caller with a
// head size limit passes at most that many bytes.
int PhrParse(const char* buffer, std::size_t length, HttpRequest& request, std::size_t previousLength);

}  // namespace Lumo::Transport::PicoHttp
