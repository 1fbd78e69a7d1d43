// AsyncBodyStream: the body of one request as its reader sees it, whatever its framing
// (running to the end of the connection, a Content-Length, chunked, behind "100 Continue").
//
// One small virtual interface instead of a transaction per stream shape: a body is read in
// pieces of at least 512 bytes, so one indirect call per read costs nothing next to the
// socket, and the transaction stays a single non-template class. Implementations are owned
// by the transaction through shared_ptr and used from the connection's strand only.
#pragma once

#include <cstddef>
#include <functional>

#include "util/Asio.hpp"

namespace Lumo::Transport::PicoHttp::PicoHttpDetail {

class AsyncBodyStream {
public:
    using ReadHandler = std::function<void(const boost::system::error_code&, std::size_t)>;

    virtual ~AsyncBodyStream() = default;

    // Reads some body bytes into `buffer` (not empty); handler(error, bytes) runs on the
    // connection's strand, never inside this call. The end of the body is reported as Http
    // end_of_body, or as end of file for a body that runs to the end of the connection.
    virtual void AsyncReadSome(boost::asio::mutable_buffer buffer, ReadHandler handler) = 0;

    // Copies body bytes that are already in memory (those that came in with the head) into
    // `buffer` at once, without any I/O, and returns how many; 0 when the next bytes can
    // only come from AsyncReadSome. Most requests arrive whole in one segment, and reading
    // them this way saves a turn of the event loop per read.
    virtual std::size_t ReadBuffered(boost::asio::mutable_buffer buffer)
    {
        (void)buffer;
        return 0;
    }

    // True when every byte of the body has been delivered, so that no read is needed to
    // learn that it ended.
    virtual bool Complete() const { return false; }
};

}  // namespace Lumo::Transport::PicoHttp::PicoHttpDetail
