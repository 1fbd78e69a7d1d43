#include "transport/http/AsyncBareBodyStream.hpp"

#include <utility>

namespace Lumo::Transport::PicoHttp::PicoHttpDetail {

AsyncBareBodyStream::AsyncBareBodyStream(std::shared_ptr<ConnectionStream> stream, ConnectionStrand strand)
    : stream_(std::move(stream)), strand_(std::move(strand))
{
}

void AsyncBareBodyStream::AsyncReadSome(boost::asio::mutable_buffer buffer, ReadHandler handler)
{
    stream_->async_read_some(buffer, boost::asio::bind_executor(strand_, std::move(handler)));
}

}  // namespace Lumo::Transport::PicoHttp::PicoHttpDetail
