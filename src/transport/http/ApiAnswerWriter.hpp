// ApiAnswerWriter: turns the deliveries of one call's result callback into its chunked
// answer — the head before the first piece, one or more chunks per delivery, the last chunk
// — and ends the exchange once the last write completed.
//
// One per call, shared by the result callback (which may run on any thread) and its own
// pending writes. Deliveries are moved onto the connection's strand and written strictly in
// order, one write at a time, so the pieces of an answer never interleave; all parts queued
// when a write starts (one delivery's, or several while the previous write was pending)
// leave together in it.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/lumo/MethodResult.hpp"
#include "transport/http/TransactionChannel.hpp"
#include "transport/protocol/ProtocolHandlerSpec.hpp"
#include "transport/protocol/RequestSpec.hpp"

namespace Lumo::Transport::Http {

class ApiAnswerWriter : public std::enable_shared_from_this<ApiAnswerWriter> {
public:
    // A writer of the answer to request `requestIdText` (its JSON-RPC id as JSON text).
    static std::shared_ptr<ApiAnswerWriter> Create(std::shared_ptr<TransactionChannel> channel,
                                                   std::shared_ptr<const RequestSpec> spec,
                                                   ProtocolHandlerSpec::ErrToHeaders errToHeaders,
                                                   std::string requestIdText);

    // One delivery of the result callback; callable from any thread. Deliveries after the
    // one that completed the answer are dropped.
    void Deliver(Core::MethodResult result);

    // Only Create can make the key, so only Create constructs; make_shared puts the object
    // and its count in one allocation.
    class Key {
        friend class ApiAnswerWriter;
        Key() = default;
    };
    ApiAnswerWriter(Key, std::shared_ptr<TransactionChannel> channel, std::shared_ptr<const RequestSpec> spec,
                    ProtocolHandlerSpec::ErrToHeaders errToHeaders, std::string requestIdText);

private:
    struct Step {
        enum class Kind { kHead, kChunk, kLastChunk, kEnd };
        Kind kind;
        ApiResponseHeaders headers;
        std::optional<Protocol::Json::OutputPiece> piece;
        Data::ErrorValuePtr error;
    };


    void OnDelivery(Core::MethodResult result);
    // Decides from the delivery table whether `result` completes the answer, replacing a
    // stream-flagged output that a non-streaming client cannot take.
    bool IsLastPiece(Core::MethodResult& result) const;
    void QueuePieces(std::vector<Protocol::Json::OutputPiece> pieces);
    // Starts the next write of every queued part, or ends the exchange when that is next.
    void DoNextStep();
    // Moves the write steps at the front of the queue, up to the end step, into one write.
    ChunkedParts TakeQueuedWrites();
    void OnStepWritten(const boost::system::error_code& ec);

    // Constant after construction.
    const std::shared_ptr<TransactionChannel> channel_;
    const std::shared_ptr<const RequestSpec> spec_;
    const ProtocolHandlerSpec::ErrToHeaders errToHeaders_;
    const std::string requestIdText_;

    // Used on the connection's strand only.
    std::deque<Step> steps_;
    bool headQueued_ = false;
    bool complete_ = false;  // the answer's last step is queued; later deliveries are dropped
    bool writing_ = false;
    // The last delivery, kept until the writer goes after the answer has left: a large
    // answer's output is then released after its last byte, not before.
    std::optional<Core::MethodResult> delivered_;
};

}  // namespace Lumo::Transport::Http
