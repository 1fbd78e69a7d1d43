// TolowerAndSortHeaders: normalises a parsed head so that header names can be compared
// exactly. Works on the caller's request; not thread-safe for the same request.
#pragma once

#include "transport/HttpRequest.hpp"

namespace Lumo::Transport::PicoHttp {

// Lower-cases every header name in place in request.headBuffer and sorts the fields by name;
// fields of the same name keep their order. Returns false and changes nothing when a name
// does not lie inside headBuffer (the head was parsed from another buffer).
bool TolowerAndSortHeaders(HttpRequest& request);

}  // namespace Lumo::Transport::PicoHttp
