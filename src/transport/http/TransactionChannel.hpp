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
#include <string>
#include <string_view>

#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/Logger.hpp"
#include "platform/lumo/OutputRange.hpp"
#include "transport/protocol/ApiResponseHeaders.hpp"

namespace Lumo::Transport::Http {

class TransactionChannel {
public:
    using Done = std::function<void(const boost::system::error_code&)>;

    virtual ~TransactionChannel() = default;

    // The exchange's identity in log lines: "[0x...]".
    virtual const std::string& LogId() const = 0;
    // The log sink; may be null.
    virtual Log::Logger* GetLogger() const = 0;

    // Runs `work` on the connection's strand, after work dispatched earlier; never inline.
    virtual void Dispatch(std::function<void()> work) = 0;

    // Each write below keeps what it is given until `done` runs.

    // Writes the head of a chunked answer; logs the outcome.
    virtual void SendChunkedHead(ApiResponseHeaders headers, Done done) = 0;
    // Writes `piece` (not empty) as one chunk; logs the outcome.
    virtual void SendChunk(Protocol::Json::OutputPiece piece, Done done) = 0;
    // Writes the last chunk; logs the outcome.
    virtual void SendLastChunk(Done done) = 0;
    // Writes a Content-Length answer, head and body in one gathered write; the caller logs
    // the outcome.
    virtual void SendWhole(ApiResponseHeaders headers, std::string body, Done done) = 0;

    // The exchange is over: no error (null) lets a keep-alive connection go on to its next
    // request; an error closes it. Called once, after the last write completed.
    virtual void EndExchange(Data::ErrorValuePtr error) = 0;
};

}  // namespace Lumo::Transport::Http
