#include "transport/http/AsyncHttpChunkedBodyStream.hpp"

#include <span>
#include <utility>

#include "transport/HttpError.hpp"
#include "transport/PicoHttpError.hpp"

namespace Lumo::Transport::PicoHttp::PicoHttpDetail {

AsyncHttpChunkedBodyStream::AsyncHttpChunkedBodyStream(std::shared_ptr<ConnectionStream> stream,
                                                       ConnectionStrand strand,
                                                       std::uint64_t payloadAllowance)
    : stream_(std::move(stream)), strand_(std::move(strand)), decoder_(payloadAllowance)
{
}

void AsyncHttpChunkedBodyStream::AsyncReadSome(boost::asio::mutable_buffer buffer, ReadHandler handler)
{
    if (finished_) {
        boost::asio::post(strand_, [handler = std::move(handler)] {
            handler(Http::Error::make_error_code(Http::Error::end_of_body), 0);
        });
        return;
    }
    stream_->async_read_some(
        buffer, boost::asio::bind_executor(
                    strand_, [self = shared_from_this(), buffer, handler = std::move(handler)](
                                 const boost::system::error_code& ec, std::size_t bytes) mutable {
                        self->OnRead(buffer, ec, bytes, std::move(handler));
                    }));
}

void AsyncHttpChunkedBodyStream::OnRead(boost::asio::mutable_buffer buffer,
                                        const boost::system::error_code& ec, std::size_t bytes,
                                        ReadHandler handler)
{
    if (bytes == 0) {
        handler(ec == boost::asio::error::eof || !ec ? Error::make_error_code(Error::incomplete_body) : ec,
                0);
        return;
    }
    auto* data = static_cast<char*>(buffer.data());
    const PhrChunkedDecoder::Result result = decoder_.Decode(std::span<char>(data, bytes));
    switch (result.state) {
        case PhrChunkedDecoder::State::Failed:
            handler(result.error, 0);
            return;
        case PhrChunkedDecoder::State::Done:
            finished_ = true;
            // Whatever follows the body belongs to the next request on this connection.
            stream_->Putback(boost::asio::const_buffer(data + bytes - result.trailing, result.trailing));
            if (result.payload == 0) {
                handler(Http::Error::make_error_code(Http::Error::end_of_body), 0);
            } else {
                handler({}, result.payload);
            }
            return;
        case PhrChunkedDecoder::State::NeedMore:
            if (result.payload > 0) {
                handler({}, result.payload);
            } else {
                // Only framing so far: read on into the same buffer.
                AsyncReadSome(buffer, std::move(handler));
            }
            return;
    }
}

}  // namespace Lumo::Transport::PicoHttp::PicoHttpDetail
