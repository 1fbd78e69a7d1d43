// OutChunkedBodyStrm: consecutive parts of a chunked answer — an already built head, body
// pieces framed as one chunk each, the last chunk — written as one gathered write, so that
// an answer known in full leaves in one system call and, on loopback, one segment.
//
// Held by the transaction that writes the answer, which keeps it, the head's buffers and the
// pieces in place until each write completes (the gather list points into all of them).
// Holds the connection weakly, like every response write. One write at a time; not
// thread-safe.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <utility>

#include <boost/container/small_vector.hpp>

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

    // Starts the next write with `head` (empty when the head went out before) as its first part.
    void Begin(std::span<const boost::asio::const_buffer> head)
    {
        head_ = head;
        writers_.clear();
        last_ = false;
    }

    // Adds `piece` (not empty: an empty chunk ends the body) as one chunk.
    void AddChunk(boost::asio::const_buffer piece) { writers_.emplace_back(piece); }

    // Ends the write with the last chunk "0\r\n\r\n".
    void AddLastChunk() { last_ = true; }

    // Writes the parts added since Begin; handler(error_code, bytes put on the wire, framing
    // included).
    template <class Handler>
    void AsyncWrite(Handler&& handler)
    {
        Gather();
        Lumo::Asio::AsyncWriteAll(stream_, executor_, std::span<const boost::asio::const_buffer>(gather_.data(), gather_.size()),
                                  std::forward<Handler>(handler));
    }

    // The number of parts of the last write (head, each chunk, last chunk) that lie wholly
    // within its first `written` bytes.
    std::size_t PartsWithin(std::size_t written) const noexcept
    {
        std::size_t count = 0;
        while (count < partEnds_.size() && partEnds_[count] <= written) {
            ++count;
        }
        return count;
    }

    // The number of parts of the last write.
    std::size_t PartCount() const noexcept { return partEnds_.size(); }

private:
    // Lays out the gather list only now: the writers have stopped moving.
    void Gather()
    {
        gather_.clear();
        partEnds_.clear();
        std::size_t end = 0;
        if (!head_.empty()) {
            gather_.insert(gather_.end(), head_.begin(), head_.end());
            end += boost::asio::buffer_size(head_);
            partEnds_.push_back(end);
        }
        for (const FrameBodyWriter::Writer& writer : writers_) {
            const FrameBodyWriter::Writer::Buffers framed = writer.GatherList();
            gather_.insert(gather_.end(), framed.begin(), framed.end());
            end += boost::asio::buffer_size(framed);
            partEnds_.push_back(end);
        }
        if (last_) {
            gather_.emplace_back(FrameBodyWriter::kLastChunk.data(), FrameBodyWriter::kLastChunk.size());
            end += FrameBodyWriter::kLastChunk.size();
            partEnds_.push_back(end);
        }
    }

    std::weak_ptr<Stream> stream_;
    typename Stream::executor_type executor_;
    std::span<const boost::asio::const_buffer> head_;
    // Sized for a whole answer of a few pieces, so that writing one allocates nothing.
    boost::container::small_vector<FrameBodyWriter::Writer, 4> writers_;
    bool last_ = false;
    // What the write in flight points at, and where each of its parts ends on the wire.
    boost::container::small_vector<boost::asio::const_buffer, 64> gather_;
    boost::container::small_vector<std::size_t, 8> partEnds_;
};

}  // namespace Lumo::Transport::Http::HttpDetail
