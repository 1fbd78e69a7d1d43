// OutChunkedBodyStrm: the body of a chunked answer; every write through it leaves as one
// chunk, and Finish writes the last chunk.
//
// Held by the transaction that writes the answer, which keeps it in place until each write
// completes (the chunk's gather list points into it). Holds the connection weakly, like every
// response write. One write at a time; not thread-safe.
#pragma once

#include <memory>
#include <utility>

#include "transport/stream/FrameBodyWriter.hpp"
#include "transport/stream/WriteAllOp.hpp"
#include "util/Asio.hpp"

namespace Lumo::Transport::Http::HttpDetail {

template <class Stream>
class OutChunkedBodyStrm {
public:
    explicit OutChunkedBodyStrm(const std::shared_ptr<Stream>& stream)
        : stream_(stream), executor_(stream->get_executor())
    {
    }
    OutChunkedBodyStrm(const OutChunkedBodyStrm&) = delete;
    OutChunkedBodyStrm& operator=(const OutChunkedBodyStrm&) = delete;

    // Writes `piece` as one chunk (an empty piece is the last chunk); handler(error_code,
    // bytes put on the wire, framing included). The piece must stay alive until then.
    template <class Handler>
    void AsyncWrite(boost::asio::const_buffer piece, Handler&& handler)
    {
        writer_.Reset(piece);
        Lumo::Asio::AsyncWriteAll(stream_, executor_, writer_.GatherList(), std::forward<Handler>(handler));
    }

    // Writes the last chunk "0\r\n\r\n"; handler(error_code, bytes).
    template <class Handler>
    void AsyncFinish(Handler&& handler)
    {
        Lumo::Asio::AsyncWriteAll(stream_, executor_,
                                  boost::asio::const_buffer(FrameBodyWriter::kLastChunk.data(),
                                                            FrameBodyWriter::kLastChunk.size()),
                                  std::forward<Handler>(handler));
    }

private:
    std::weak_ptr<Stream> stream_;
    typename Stream::executor_type executor_;
    FrameBodyWriter::Writer writer_;
};

}  // namespace Lumo::Transport::Http::HttpDetail
