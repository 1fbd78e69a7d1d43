// BodyHttpHandler: picks the body stream of a request from its parsed head: chunked, of a
// declared length, or running to the end of the connection, each behind the interim
// "100 Continue" when the client asked for it.
//
// Stateless; thread-safe.
#pragma once

#include <cstdint>
#include <memory>

#include "transport/HttpRequest.hpp"
#include "transport/http/AsyncBodyStream.hpp"
#include "transport/http/ConnectionTypes.hpp"

namespace Lumo::Transport::PicoHttp {

class BodyHttpHandler {
public:
    // The body stream for `request` (a complete, good head) on `stream`. A chunked body may
    // carry at most `chunkedAllowance` payload bytes.
    static std::shared_ptr<PicoHttpDetail::AsyncBodyStream> Select(
        const HttpRequest& request, const std::shared_ptr<ConnectionStream>& stream,
        const ConnectionStrand& strand, std::uint64_t chunkedAllowance);
};

}  // namespace Lumo::Transport::PicoHttp
