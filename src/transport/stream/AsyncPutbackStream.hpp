// AsyncPutbackStream: a connection stream that hands back bytes read too early.
//
// Owns the connection's TimeoutBaseStream. Bytes given to Putback are copied into the
// stream's own buffer, so the caller may reuse its buffer at once; reads serve them before
// the socket is read again. Shared (by shared_ptr) between the transactions of a connection;
// reads and put-backs of one connection are issued by one chain at a time, not thread-safe.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "transport/stream/TimeoutBaseStream.hpp"
#include "util/Asio.hpp"

namespace Lumo::Asio {

class AsyncPutbackStream {
public:
    using executor_type = TimeoutBaseStream::executor_type;

    explicit AsyncPutbackStream(TimeoutBaseStream stream);

    // Places `bytes` in front of anything not yet read; the bytes are copied.
    void Putback(boost::asio::const_buffer bytes);

    // Bytes put back and not read yet.
    std::size_t PutbackSize() const noexcept { return static_cast<std::size_t>(end_ - next_); }

    // Copies put-back bytes into `buffer` at once, as many as fit, and returns how many
    // (0 when none are left). The synchronous form of a read that the put-back can serve.
    std::size_t ReadPutback(boost::asio::mutable_buffer buffer)
    {
        const std::size_t copied = boost::asio::buffer_copy(buffer, boost::asio::const_buffer(next_, end_ - next_));
        next_ += copied;
        return copied;
    }

    // Reads into `buffers`; handler(error_code, bytes). Put-back bytes are served first, as
    // many as fit, without touching the socket; that completion is posted, never inline.
    template <class MutableBuffers, class Handler>
    void async_read_some(const MutableBuffers& buffers, Handler&& handler)
    {
        if (next_ == end_) {
            stream_.async_read_some(buffers, std::forward<Handler>(handler));
            return;
        }
        const std::size_t copied = boost::asio::buffer_copy(buffers, boost::asio::const_buffer(next_, end_ - next_));
        next_ += copied;
        auto executor = boost::asio::get_associated_executor(handler, stream_.get_executor());
        boost::asio::post(executor, [handler = std::forward<Handler>(handler), copied]() mutable {
            handler(boost::system::error_code(), copied);
        });
    }

    // Writes some of `buffers` on the connection under the write deadline.
    template <class ConstBuffers, class Handler>
    void async_write_some(const ConstBuffers& buffers, Handler&& handler)
    {
        stream_.async_write_some(buffers, std::forward<Handler>(handler));
    }

    executor_type get_executor() noexcept { return stream_.get_executor(); }

    // Closes the connection; pending operations complete with an error.
    void Close() { stream_.Close(); }
    // Ends the connection after its last answer; see TimeoutBaseStream::CloseGracefully.
    void CloseGracefully() { stream_.CloseGracefully(); }

    // The stream below, for the peer address and socket options.
    TimeoutBaseStream& Lowest() noexcept { return stream_; }

private:
    TimeoutBaseStream stream_;
    // The put-back region [next_, end_) lies inside storage_; storage_ keeps its capacity
    // across put-backs so that a keep-alive connection allocates it once.
    std::vector<char> storage_;
    const char* next_ = nullptr;
    const char* end_ = nullptr;
};

}  // namespace Lumo::Asio
