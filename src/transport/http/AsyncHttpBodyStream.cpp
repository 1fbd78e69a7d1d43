#include "transport/http/AsyncHttpBodyStream.hpp"

#include <algorithm>
#include <utility>

#include "transport/HttpError.hpp"
#include "transport/PicoHttpError.hpp"

namespace Lumo::Transport::PicoHttp::PicoHttpDetail {

AsyncHttpBodyStream::AsyncHttpBodyStream(std::shared_ptr<ConnectionStream> stream, ConnectionStrand strand,
                                         std::uint64_t length)
    : stream_(std::move(stream)), strand_(std::move(strand)), total_(length), remaining_(length)
{
}

void AsyncHttpBodyStream::AsyncReadSome(boost::asio::mutable_buffer buffer, ReadHandler handler)
{
    if (remaining_ == 0) {
        boost::asio::post(strand_, [handler = std::move(handler)] {
            handler(Http::Error::make_error_code(Http::Error::end_of_body), 0);
        });
        return;
    }
    const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), remaining_));
    stream_->async_read_some(
        boost::asio::mutable_buffer(buffer.data(), size),
        boost::asio::bind_executor(strand_, [self = shared_from_this(), handler = std::move(handler)](
                                                const boost::system::error_code& ec, std::size_t bytes) {
            self->OnRead(ec, bytes, handler);
        }));
}

std::size_t AsyncHttpBodyStream::ReadBuffered(boost::asio::mutable_buffer buffer)
{
    const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), remaining_));
    const std::size_t copied = stream_->ReadPutback(boost::asio::mutable_buffer(buffer.data(), size));
    remaining_ -= copied;
    return copied;
}

void AsyncHttpBodyStream::OnRead(const boost::system::error_code& ec, std::size_t bytes,
                                 const ReadHandler& handler)
{
    remaining_ -= std::min<std::uint64_t>(bytes, remaining_);
    if (bytes > 0) {
        // Bytes that arrived with an error are delivered; the error shows again on the next read.
        handler({}, bytes);
    } else if (ec == boost::asio::error::eof) {
        handler(Error::make_error_code(Error::incomplete_body), 0);
    } else {
        handler(ec, 0);
    }
}

}  // namespace Lumo::Transport::PicoHttp::PicoHttpDetail
