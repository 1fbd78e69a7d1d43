// Lumo::Transport::Http::ProtocolHandlerSpec: how the protocol handler turns the outcome of a
// call into the header list of its answer (errToHeaders), and the fixed header list of the
// 400 JSON answer.
//
// Immutable after construction; thread-safe.
#pragma once

#include <functional>

#include "platform/lumo/ErrorValue.hpp"
#include "transport/protocol/ApiResponseHeaders.hpp"
#include "transport/protocol/ParamsToHead.hpp"

namespace Lumo::Transport::Http {

struct ProtocolHandlerSpec {
    using ParamsToHead = Http::ParamsToHead;
    using ErrToHeaders =
        std::function<ApiResponseHeaders(const Data::ErrorValuePtr& errorOrNull, ParamsToHead)>;

    // The headers of an API answer: ":status" "200", ":reason" "OK", "Content-Type" of the
    // acceptKind (empty for an unknown kind), "Connection" "Keep-Alive" or "close", and
    // "lumo-error" with the error's name when `errorOrNull` is set.
    static ApiResponseHeaders DefaultErrToHeaders(const Data::ErrorValuePtr& errorOrNull,
                                                  ParamsToHead params);

    // The headers of the 400 JSON answer: ":status" "400", ":reason" "Bad Request",
    // "Content-Type" "text/plain", "Connection" "close".
    static ApiResponseHeaders BadRequestHeaders();

    ErrToHeaders errToHeaders = &DefaultErrToHeaders;
};

}  // namespace Lumo::Transport::Http
