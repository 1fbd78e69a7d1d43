// Lumo::Transport::Http::ApiResponseHeaders: the header list of one API answer together with
// the error value whose name its "lumo-error" field views, so the list stays valid for as
// long as this object lives (every other value is static text).
//
// Owned by the response being written; copies share the error value. Not thread-safe.
#pragma once

#include "platform/lumo/ErrorValue.hpp"
#include "transport/stream/HttpResponseHeaderRangeBase.hpp"

namespace Lumo::Transport::Http {

class ApiResponseHeaders : public HttpResponseHeaderRangeBase {
public:
    ApiResponseHeaders() = default;

    // Keeps `error` alive with the list (its name may be viewed by a field).
    void KeepAlive(Data::ErrorValuePtr error) { error_ = std::move(error); }

private:
    Data::ErrorValuePtr error_;
};

}  // namespace Lumo::Transport::Http
