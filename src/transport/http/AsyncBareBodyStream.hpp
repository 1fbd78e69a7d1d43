// AsyncBareBodyStream: a body without framing, which runs to the end of the connection
// (a request with neither Content-Length nor chunked coding). Put-back bytes come first.
//
// Owned by the transaction; used from the connection's strand only.
#pragma once

#include <memory>

#include "transport/http/AsyncBodyStream.hpp"
#include "transport/http/ConnectionTypes.hpp"

namespace Lumo::Transport::PicoHttp::PicoHttpDetail {

class AsyncBareBodyStream final : public AsyncBodyStream {
public:
    AsyncBareBodyStream(std::shared_ptr<ConnectionStream> stream, ConnectionStrand strand);

    // Reads straight from the connection; the body ends with end of file.
    void AsyncReadSome(boost::asio::mutable_buffer buffer, ReadHandler handler) override;
    // What the connection put back.
    std::size_t ReadBuffered(boost::asio::mutable_buffer buffer) override { return stream_->ReadPutback(buffer); }

private:
    const std::shared_ptr<ConnectionStream> stream_;
    const ConnectionStrand strand_;
};

}  // namespace Lumo::Transport::PicoHttp::PicoHttpDetail
