#include "transport/http/RequestBodyReader.hpp"

#include <algorithm>
#include <utility>

#include "transport/HttpError.hpp"

namespace Lumo::Transport::PicoHttp {

void RequestBodyReader::Start(std::shared_ptr<PicoHttpDetail::AsyncBodyStream> body, std::uint64_t limit,
                              Handler handler)
{
    auto reader = std::make_shared<RequestBodyReader>(Key(), std::move(body), limit, std::move(handler));
    reader->DoRead();
}

RequestBodyReader::RequestBodyReader(Key, std::shared_ptr<PicoHttpDetail::AsyncBodyStream> body,
                                     std::uint64_t limit, Handler handler)
    // One byte past the limit is enough to tell that the body is too long.
    : body_(std::move(body)), allowance_(limit + 1), handler_(std::move(handler))
{
}

void RequestBodyReader::DoRead()
{
    // Bytes already in memory are taken at once; the event loop is only asked to read
    // what has not arrived yet.
    for (;;) {
        if (body_->Complete()) {
            Finish({});
            return;
        }
        const std::size_t copied = body_->ReadBuffered(NextSpace());
        if (copied == 0) {
            break;
        }
        used_ += copied;
        if (used_ >= allowance_) {
            Finish(Http::Error::make_error_code(Http::Error::message_too_long));
            return;
        }
    }
    body_->AsyncReadSome(NextSpace(),
                         [self = shared_from_this()](const boost::system::error_code& ec, std::size_t bytes) {
                             self->OnRead(ec, bytes);
                         });
}

boost::asio::mutable_buffer RequestBodyReader::NextSpace()
{
    const std::uint64_t allowanceLeft = allowance_ - used_;
    if (buffer_.size() - used_ < kMinRead) {
        // Grow geometrically, but never hold more room than the allowance can use.
        const std::uint64_t wanted = std::max<std::uint64_t>(buffer_.size() * 2, used_ + kMinRead);
        buffer_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(wanted, allowance_)));
    }
    const auto size =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size() - used_, allowanceLeft));
    return boost::asio::mutable_buffer(buffer_.data() + used_, size);
}

void RequestBodyReader::OnRead(const boost::system::error_code& ec, std::size_t bytes)
{
    used_ += bytes;
    if (used_ >= allowance_) {
        Finish(Http::Error::make_error_code(Http::Error::message_too_long));
    } else if (ec == Http::Error::end_of_body || ec == boost::asio::error::eof) {
        Finish({});
    } else if (ec) {
        Finish(ec);
    } else {
        DoRead();
    }
}

void RequestBodyReader::Finish(const boost::system::error_code& ec)
{
    buffer_.resize(ec ? 0 : used_);
    auto handler = std::move(handler_);
    handler(ec, std::move(buffer_));
}

}  // namespace Lumo::Transport::PicoHttp
