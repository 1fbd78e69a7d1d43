// AsyncExpectContinueStream: the body of a request that announced "Expect: 100-continue".
// The interim "100 Continue" answer goes out on the first read, so a request refused on
// its headers never gets one and its client never sends the body.
//
// Wraps the body stream of the request's framing; owned by the transaction through
// shared_ptr (pending operations hold it); used from the connection's strand only.
#pragma once

#include <memory>
#include <string_view>

#include "transport/http/AsyncBodyStream.hpp"
#include "transport/http/ConnectionTypes.hpp"

namespace Lumo::Transport::PicoHttp::PicoHttpDetail {

class AsyncExpectContinueStream final : public AsyncBodyStream,
                                        public std::enable_shared_from_this<AsyncExpectContinueStream> {
public:
    static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

    AsyncExpectContinueStream(std::shared_ptr<ConnectionStream> stream, ConnectionStrand strand,
                              std::shared_ptr<AsyncBodyStream> body);

    // The first call writes "100 Continue" and then reads; a failed write is the read's error.
    void AsyncReadSome(boost::asio::mutable_buffer buffer, ReadHandler handler) override;
    // Nothing before "100 Continue" has gone out; the inner body's answers after.
    std::size_t ReadBuffered(boost::asio::mutable_buffer buffer) override
    {
        return continuePending_ ? 0 : body_->ReadBuffered(buffer);
    }
    bool Complete() const override { return !continuePending_ && body_->Complete(); }

    // True until the interim answer has been started.
    bool ContinuePending() const noexcept { return continuePending_; }

private:
    const std::shared_ptr<ConnectionStream> stream_;
    const ConnectionStrand strand_;
    const std::shared_ptr<AsyncBodyStream> body_;
    bool continuePending_ = true;
};

}  // namespace Lumo::Transport::PicoHttp::PicoHttpDetail
