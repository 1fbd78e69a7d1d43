// RequestHeadRules: the decisions taken from a parsed request head — body framing,
// keep-alive and the Expect header — and the rules that override the headers for methods
// that carry no body.
//
// A pure function over the caller's request; thread-safe for distinct requests.
#pragma once

#include <boost/system/error_code.hpp>

#include "transport/HttpRequest.hpp"

namespace Lumo::Transport::PicoHttp {

// Walks the lower-cased, sorted headers of `request` once and fills contentLength,
// hasContentLength, chunked, keepAlive, hasExpect and expectContinue; then applies the
// method rules. Returns PicoHttp invalid_request for an empty method or a malformed
// Content-Length, Http message_too_long for a Content-Length beyond 64 bits, else nothing.
boost::system::error_code ApplyRequestHeadRules(HttpRequest& request);

}  // namespace Lumo::Transport::PicoHttp
