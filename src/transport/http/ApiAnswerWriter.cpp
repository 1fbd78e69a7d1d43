#include "transport/http/ApiAnswerWriter.hpp"

#include <utility>

#include "platform/lumo/CollectingOutputRange.hpp"
#include "transport/http/TransportErrorValues.hpp"

namespace Lumo::Transport::Http {

std::shared_ptr<ApiAnswerWriter> ApiAnswerWriter::Create(std::shared_ptr<TransactionChannel> channel,
                                                         std::shared_ptr<const RequestSpec> spec,
                                                         ProtocolHandlerSpec::ErrToHeaders errToHeaders,
                                                         std::string requestIdText)
{
    return std::make_shared<ApiAnswerWriter>(Key(), std::move(channel), std::move(spec), std::move(errToHeaders),
                                             std::move(requestIdText));
}

ApiAnswerWriter::ApiAnswerWriter(Key, std::shared_ptr<TransactionChannel> channel,
                                 std::shared_ptr<const RequestSpec> spec,
                                 ProtocolHandlerSpec::ErrToHeaders errToHeaders, std::string requestIdText)
    : channel_(std::move(channel)),
      spec_(std::move(spec)),
      errToHeaders_(std::move(errToHeaders)),
      requestIdText_(std::move(requestIdText))
{
}

void ApiAnswerWriter::Deliver(Core::MethodResult result)
{
    channel_->Dispatch([self = shared_from_this(), result = std::move(result)]() mutable {
        self->OnDelivery(std::move(result));
    });
}

bool ApiAnswerWriter::IsLastPiece(Core::MethodResult& result) const
{
    if (!spec_->streaming) {
        if (result.IsStream() && !result.IsError()) {
            // The client cannot take a stream; it gets an error instead of a partial answer.
            result = Core::MethodResult::GetErrorInstance();
        }
        return true;
    }
    return result.IsStream() || !result.MoreFollows();
}

void ApiAnswerWriter::OnDelivery(Core::MethodResult result)
{
    if (complete_) {
        return;
    }
    const bool last = IsLastPiece(result);
    Protocol::Json::CollectingOutputRange out;
    Data::ErrorValuePtr encodeError;
    spec_->responseEncoder->SerializeInvoke(requestIdText_, result, out, encodeError, spec_->streaming);
    if (encodeError != nullptr) {
        // Nothing of this delivery is written; what is queued goes out, then the connection closes.
        complete_ = true;
        steps_.push_back({Step::Kind::kEnd, {}, std::nullopt, std::move(encodeError)});
        DoNextStep();
        return;
    }
    if (!headQueued_) {
        headQueued_ = true;
        steps_.push_back({Step::Kind::kHead,
                          errToHeaders_(result.Error(), {spec_->acceptKind, spec_->keepAlive}), std::nullopt,
                          nullptr});
    }
    QueuePieces(out.Take());
    if (last) {
        complete_ = true;
        steps_.push_back({Step::Kind::kLastChunk, {}, std::nullopt, nullptr});
        steps_.push_back({Step::Kind::kEnd, {}, std::nullopt, nullptr});
    }
    DoNextStep();
    delivered_ = std::move(result);
}

void ApiAnswerWriter::QueuePieces(std::vector<Protocol::Json::OutputPiece> pieces)
{
    if (spec_->streaming && pieces.size() > 1) {
        // A streaming client splits the body by chunk: one delivery must be one chunk.
        std::string joined;
        for (const auto& piece : pieces) {
            joined += piece.Bytes();
        }
        pieces.clear();
        pieces.emplace_back(std::move(joined));
    }
    for (auto& piece : pieces) {
        // An empty chunk would read as the end of the body.
        if (!piece.Bytes().empty()) {
            steps_.push_back({Step::Kind::kChunk, {}, std::move(piece), nullptr});
        }
    }
}

void ApiAnswerWriter::DoNextStep()
{
    if (writing_ || steps_.empty()) {
        return;
    }
    writing_ = true;
    if (steps_.front().kind == Step::Kind::kEnd) {
        Data::ErrorValuePtr error = std::move(steps_.front().error);
        steps_.pop_front();
        channel_->EndExchange(std::move(error));
        return;
    }
    // Every write queued so far leaves in one gathered write: a whole answer delivered at
    // once costs one system call instead of one per part.
    channel_->SendChunked(
        TakeQueuedWrites(),
        [self = shared_from_this()](const boost::system::error_code& ec) { self->OnStepWritten(ec); });
}

ChunkedParts ApiAnswerWriter::TakeQueuedWrites()
{
    ChunkedParts parts;
    for (; !steps_.empty() && steps_.front().kind != Step::Kind::kEnd; steps_.pop_front()) {
        Step& step = steps_.front();
        if (step.kind == Step::Kind::kHead) {
            parts.head.emplace(std::move(step.headers));
        } else if (step.kind == Step::Kind::kChunk) {
            parts.pieces.push_back(std::move(*step.piece));
        } else {
            parts.last = true;
        }
    }
    return parts;
}

void ApiAnswerWriter::OnStepWritten(const boost::system::error_code& ec)
{
    writing_ = false;
    if (ec) {
        // The connection is gone: nothing more can reach the client.
        steps_.clear();
        complete_ = true;
        channel_->EndExchange(TransportErrorValues::SendFailed(ec));
        return;
    }
    DoNextStep();
}

}  // namespace Lumo::Transport::Http
