#include "transport/http/AsyncExpectContinueStream.hpp"

#include <utility>

#include "transport/stream/WriteAllOp.hpp"

namespace Lumo::Transport::PicoHttp::PicoHttpDetail {

AsyncExpectContinueStream::AsyncExpectContinueStream(std::shared_ptr<ConnectionStream> stream,
                                                     ConnectionStrand strand,
                                                     std::shared_ptr<AsyncBodyStream> body)
    : stream_(std::move(stream)), strand_(std::move(strand)), body_(std::move(body))
{
}

void AsyncExpectContinueStream::AsyncReadSome(boost::asio::mutable_buffer buffer, ReadHandler handler)
{
    if (!continuePending_) {
        body_->AsyncReadSome(buffer, std::move(handler));
        return;
    }
    continuePending_ = false;
    Lumo::Asio::AsyncWriteAll(
        stream_, boost::asio::const_buffer(kContinue.data(), kContinue.size()),
        boost::asio::bind_executor(strand_, [self = shared_from_this(), buffer, handler = std::move(handler)](
                                                const boost::system::error_code& ec, std::size_t) mutable {
            if (ec) {
                handler(ec, 0);
                return;
            }
            self->body_->AsyncReadSome(buffer, std::move(handler));
        }));
}

}  // namespace Lumo::Transport::PicoHttp::PicoHttpDetail
