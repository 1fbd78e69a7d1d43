// Lumo::Transport::Http::TransactionChannel: what the protocol handler needs of the HTTP
// exchange it answers — the connection's strand, the response writes and the end of the
// exchange. Request handling is written against it, so it can run without a socket.
//
// Implemented by the HTTP transaction, which outlives every pending call. Dispatch may be
// called from any thread; every other method only from the connection's strand, with at
// most one write pending at a time.
#pragma once

#include <boost/system/error_code.hpp>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/Logger.hpp"
#include "platform/lumo/OutputRange.hpp"
#include "transport/protocol/ApiResponseHeaders.hpp"

namespace Lumo::Transport::Http {

// Consecutive parts of a chunked answer that leave together, in this order.
struct ChunkedParts {
    std::optional<ApiResponseHeaders> head;           // present when the answer starts here
    std::vector<Protocol::Json::OutputPiece> pieces;  // one chunk each; none empty
    bool last = false;                                // ends the body with the last chunk
};

class TransactionChannel {
public:
    using Done = std::function<void(const boost::system::error_code&)>;

    virtual ~TransactionChannel() = default;

    // The exchange's identity in log lines: "[0x...]".
    virtual const std::string& LogId() const = 0;
    // The log sink; may be null.
    virtual Log::Logger* GetLogger() const = 0;

    // Runs `work` on the connection's strand, after work dispatched earlier: at once when
    // called on the I/O thread while the strand has nothing else to do (a service that
    // answers on the endpoint thread), queued otherwise (an answer from a task thread).
    virtual void Dispatch(std::function<void()> work) = 0;

    // Each write below keeps what it is given until `done` runs.

    // Writes `parts` of a chunked answer in one gathered write. Logs the outcome of each
    // part in wire order (head, every chunk, last chunk) up to the first one that failed.
    virtual void SendChunked(ChunkedParts parts, Done done) = 0;
    // Writes a Content-Length answer, head and body in one gathered write; the caller logs
    // the outcome.
    virtual void SendWhole(ApiResponseHeaders headers, std::string body, Done done) = 0;

    // The exchange is over: no error (null) lets a keep-alive connection go on to its next
    // request; an error closes it. Called once, after the last write completed.
    virtual void EndExchange(Data::ErrorValuePtr error) = 0;
};

}  // namespace Lumo::Transport::Http
