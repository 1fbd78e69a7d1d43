// AsyncHttpChunkedBodyStream: a body in chunked transfer coding. Bytes are read into the
// caller's buffer and decoded there in place (the payload is never longer than its
// framing); bytes that follow the last chunk are handed back to the connection for the
// next request.
//
// Owned by the transaction through shared_ptr (pending reads hold it); used from the
// connection's strand only.
#pragma once

#include <cstdint>
#include <memory>

#include "transport/PhrChunkedDecoder.hpp"
#include "transport/http/AsyncBodyStream.hpp"
#include "transport/http/ConnectionTypes.hpp"

namespace Lumo::Transport::PicoHttp::PicoHttpDetail {

class AsyncHttpChunkedBodyStream final : public AsyncBodyStream,
                                         public std::enable_shared_from_this<AsyncHttpChunkedBodyStream> {
public:
    // A body of at most `payloadAllowance` payload bytes; a longer one fails with Http
    // message_too_long as soon as a chunk size says so.
    AsyncHttpChunkedBodyStream(std::shared_ptr<ConnectionStream> stream, ConnectionStrand strand,
                               std::uint64_t payloadAllowance);

    // Delivers decoded payload; end_of_body after the last chunk and its trailers, PicoHttp
    // chunk_parse_error for broken framing, incomplete_body when the connection ends first.
    void AsyncReadSome(boost::asio::mutable_buffer buffer, ReadHandler handler) override;

private:
    void OnRead(boost::asio::mutable_buffer buffer, const boost::system::error_code& ec, std::size_t bytes,
                ReadHandler handler);

    const std::shared_ptr<ConnectionStream> stream_;
    const ConnectionStrand strand_;
    PhrChunkedDecoder decoder_;
    bool finished_ = false;
};

}  // namespace Lumo::Transport::PicoHttp::PicoHttpDetail
