#include "transport/http/HttpServerTransaction.hpp"

#include <cstdint>
#include <utility>

#include "transport/PicoHttpError.hpp"
#include "transport/http/BodyHttpHandler.hpp"
#include "transport/http/RequestHeadRules.hpp"
#include "transport/stream/FixedAnswer.hpp"
#include "transport/stream/HexDigits.hpp"
#include "transport/stream/WriteAllOp.hpp"

namespace Lumo::Transport::PicoHttp {
namespace {

// "[0x...]": the pointer as a stream prints it, without a stream or printf per exchange.
std::string MakeLogId(const void* self)
{
    char text[3 + Http::HttpDetail::kMaxHexDigits + 1] = {'[', '0', 'x'};
    std::size_t length = 3 + Http::HttpDetail::WriteHex(reinterpret_cast<std::uintptr_t>(self), text + 3);
    text[length++] = ']';
    return std::string(text, length);
}

}  // namespace

void HttpServerTransaction::Start(std::shared_ptr<ConnectionStream> stream, ConnectionStrand strand,
                                  std::shared_ptr<const Settings> settings)
{
    auto transaction = std::make_shared<HttpServerTransaction>(Key(), std::move(stream), std::move(strand),
                                                               std::move(settings));
    transaction->DoReadHead();
}

HttpServerTransaction::HttpServerTransaction(Key, std::shared_ptr<ConnectionStream> stream,
                                             ConnectionStrand strand,
                                             std::shared_ptr<const Settings> settings)
    : stream_(std::move(stream)),
      strand_(std::move(strand)),
      settings_(std::move(settings)),
      id_(MakeLogId(this)),
      headReader_(request_),
      chunks_(stream_)
{
}

void HttpServerTransaction::DoReadHead()
{
    const std::span<char> space = headReader_.FreeSpace();
    stream_->async_read_some(
        boost::asio::mutable_buffer(space.data(), space.size()),
        OnStrand([self = shared_from_this()](const boost::system::error_code& ec, std::size_t bytes) {
            self->OnReadHead(ec, bytes);
        }));
}

void HttpServerTransaction::OnReadHead(const boost::system::error_code& ec, std::size_t bytes)
{
    if (ec && bytes == 0) {
        FinishHead(ec);
        return;
    }
    // Bytes that came with an error are parsed first; a read that follows meets the error again.
    switch (headReader_.Commit(bytes)) {
        case RequestHeadReader::Status::NeedMore:
            DoReadHead();
            return;
        case RequestHeadReader::Status::Complete:
            FinishHead(ApplyRequestHeadRules(request_));
            return;
        default:
            FinishHead(headReader_.ErrorCode());
            return;
    }
}

void HttpServerTransaction::FinishHead(const boost::system::error_code& ec)
{
    if (!ec) {
        const std::span<const char> surplus = headReader_.Surplus();
        stream_->Putback(boost::asio::const_buffer(surplus.data(), surplus.size()));
        ExpectationStep(ec);
        return;
    }
    if (ec == boost::asio::error::eof) {
        // The client closed between requests: nothing to answer.
        stream_->Close();
        return;
    }
    Log::Write(GetLogger(), Log::kInfo, "Invalid Http request");
    request_.bad = true;
    ExpectationStep(ec);
}

void HttpServerTransaction::ExpectationStep(const boost::system::error_code& headError)
{
    if (request_.bad) {
        // The fixed answer names the failure by its value in the reader's own category.
        fixedAnswer_.assign(kBadRequestHead);
        fixedAnswer_ += Error::transport_category().message(headError.value());
        DoWriteFixedAnswer();
        return;
    }
    if (request_.hasExpect && !request_.expectContinue) {
        Log::Write(GetLogger(), Log::kInfo, "Invalid Http request: Expect header value is not 100-continue");
        fixedAnswer_.assign(kExpectationFailed);
        DoWriteFixedAnswer();
        return;
    }
    body_ = BodyHttpHandler::Select(request_, stream_, strand_, settings_->bodyLimit + 1);
    settings_->handler->OnHead(shared_from_this());
}

void HttpServerTransaction::DoWriteFixedAnswer()
{
    Http::HttpDetail::AsyncWriteFixedAnswer(
        stream_, boost::asio::buffer(fixedAnswer_), settings_->logger,
        OnStrand([self = shared_from_this()](const boost::system::error_code&) {
            // The stream is closed; the transaction ends here.
        }));
}

void HttpServerTransaction::ReadBody(RequestBodyReader::Handler handler)
{
    RequestBodyReader::Start(body_, settings_->bodyLimit, std::move(handler));
}

void HttpServerTransaction::Dispatch(std::function<void()> work)
{
    boost::asio::dispatch(strand_, std::move(work));
}

void HttpServerTransaction::SendChunked(Http::ChunkedParts parts, Done done)
{
    std::span<const boost::asio::const_buffer> head;
    const bool withHead = parts.head.has_value();
    if (withHead) {
        responseHeaders_ = std::move(*parts.head);
        responseHead_.Build(responseHeaders_, 0, true);
        head = responseHead_.Buffers();
    }
    pieces_ = std::move(parts.pieces);
    chunks_.Begin(head);
    for (const Protocol::Json::OutputPiece& piece : pieces_) {
        const std::string_view bytes = piece.Bytes();
        chunks_.AddChunk(boost::asio::const_buffer(bytes.data(), bytes.size()));
    }
    if (parts.last) {
        chunks_.AddLastChunk();
    }
    chunks_.AsyncWrite(OnStrand([self = shared_from_this(), withHead, done = std::move(done)](
                                    const boost::system::error_code& ec, std::size_t written) {
        self->LogChunkedOutcome(withHead, ec, written);
        done(ec);
    }));
}

void HttpServerTransaction::LogChunkedOutcome(bool withHead, const boost::system::error_code& ec,
                                              std::size_t written) const
{
    // The same lines, in the same order, as when each part was a write of its own: a part
    // wholly on the wire was sent, the first one that is not carries the failure.
    const std::size_t sent = chunks_.PartsWithin(written);
    const std::size_t parts = chunks_.PartCount();
    for (std::size_t part = 0; part < parts; ++part) {
        const bool isHead = withHead && part == 0;
        const bool failed = ec && (part >= sent || part + 1 == parts);
        if (failed && isHead) {
            Log::Write(GetLogger(), Log::kDebug, "Failed to sent response head", id_, " ", ec.message());
        } else if (failed) {
            Log::Write(GetLogger(), Log::kDebug, "Failed to sent response body ", id_, " ", ec.message());
        } else if (isHead) {
            Log::Write(GetLogger(), Log::kTrace, "Response head sent: ", id_);
        } else {
            Log::Write(GetLogger(), Log::kTrace, "ResponseSentCb", id_);
        }
        if (failed) {
            return;
        }
    }
}

void HttpServerTransaction::SendWhole(Http::ApiResponseHeaders headers, std::string body, Done done)
{
    responseHeaders_ = std::move(headers);
    wholeBody_ = std::move(body);
    responseHead_.Build(responseHeaders_, wholeBody_.size(), false);
    responseHead_.AppendBody(boost::asio::buffer(wholeBody_));
    Lumo::Asio::AsyncWriteAll(stream_, responseHead_.Buffers(),
                              OnStrand([self = shared_from_this(), done = std::move(done)](
                                           const boost::system::error_code& ec, std::size_t) { done(ec); }));
}

void HttpServerTransaction::EndExchange(Data::ErrorValuePtr error)
{
    if (ended_) {
        return;
    }
    ended_ = true;
    if (error) {
        Log::Write(GetLogger(), Log::kTrace, "Handle request error: ", id_, " ", error->ToString());
    } else {
        Log::Write(GetLogger(), Log::kTrace, "Request handled", id_);
    }
    if (!error && request_.keepAlive) {
        Start(stream_, strand_, settings_);
    } else {
        // The client may still be sending a body nobody read (a refused request).
        stream_->CloseGracefully();
    }
}

}  // namespace Lumo::Transport::PicoHttp
