// WriteAllOp: writes a whole buffer sequence to a stream in write operations of at most
// kMaxWriteOperationBytes each, then calls its handler once with (error_code, bytes written).
//
// The operation holds the stream weakly: a stream released by its owners between two write
// operations ends the write with broken pipe. The bytes, and the views of a view sequence
// (a span), must stay alive until the handler runs. One write per stream at a time.
#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <memory>
#include <utility>

#include "util/Asio.hpp"

namespace Lumo::Asio {

// No single write operation moves more than this many bytes.
inline constexpr std::size_t kMaxWriteOperationBytes = 65536;

// The next slice of a gather list handed to one write operation.
class WriteWindow {
public:
    using value_type = boost::asio::const_buffer;
    using const_iterator = const boost::asio::const_buffer*;

    // Asio hands at most this many buffers to one system call.
    static constexpr std::size_t kMaxBuffers = 64;

    const_iterator begin() const noexcept { return items_.data(); }
    const_iterator end() const noexcept { return items_.data() + count_; }

    void Clear() noexcept { count_ = 0; }
    bool Full() const noexcept { return count_ == kMaxBuffers; }
    void Push(boost::asio::const_buffer buffer) noexcept { items_[count_++] = buffer; }

private:
    std::array<boost::asio::const_buffer, kMaxBuffers> items_{};
    std::size_t count_ = 0;
};

template <class Stream, class ConstBuffers, class Handler>
class WriteAllOp {
public:
    using executor_type = boost::asio::associated_executor_t<Handler, typename Stream::executor_type>;
    using allocator_type = boost::asio::associated_allocator_t<Handler>;

    template <class H>
    WriteAllOp(std::weak_ptr<Stream> stream, typename Stream::executor_type executor, const ConstBuffers& buffers,
               H&& handler)
        : stream_(std::move(stream)),
          executor_(std::move(executor)),
          buffers_(buffers),
          handler_(std::forward<H>(handler))
    {
    }

    executor_type get_executor() const noexcept { return boost::asio::get_associated_executor(handler_, executor_); }
    allocator_type get_allocator() const noexcept { return boost::asio::get_associated_allocator(handler_); }

    // Starts the first write operation; the handler never runs inside this call.
    void Start() { Step(false); }

    // Continuation after one write operation.
    void operator()(const boost::system::error_code& ec, std::size_t bytes)
    {
        written_ += bytes;
        Consume(bytes);
        if (ec) {
            handler_(ec, written_);
            return;
        }
        Step(true);
    }

private:
    void Step(bool continuation)
    {
        if (AllWritten()) {
            Complete(boost::system::error_code(), continuation);
            return;
        }
        WriteWindow window = NextWindow();
        if (window.begin() == window.end()) {
            Complete(boost::system::error_code(), continuation);
            return;
        }
        auto stream = stream_.lock();
        if (!stream) {
            Complete(boost::asio::error::broken_pipe, continuation);
            return;
        }
        stream->async_write_some(window, std::move(*this));
    }

    void Complete(const boost::system::error_code& ec, bool continuation)
    {
        if (continuation) {
            handler_(ec, written_);
            return;
        }
        auto executor = get_executor();
        boost::asio::post(executor, [handler = std::move(handler_), ec, written = written_]() mutable {
            handler(ec, written);
        });
    }

    // Whether the position is past the last buffer; checked before a window is laid out,
    // since most writes are done after their first operation.
    bool AllWritten() const
    {
        auto it = boost::asio::buffer_sequence_begin(buffers_);
        const auto end = boost::asio::buffer_sequence_end(buffers_);
        return static_cast<std::size_t>(std::distance(it, end)) <= index_;
    }

    // Up to kMaxWriteOperationBytes of the unwritten bytes, skipping empty buffers.
    WriteWindow NextWindow() const
    {
        WriteWindow window;
        std::size_t room = kMaxWriteOperationBytes;
        auto it = boost::asio::buffer_sequence_begin(buffers_);
        const auto end = boost::asio::buffer_sequence_end(buffers_);
        std::advance(it, index_);
        std::size_t skip = offset_;
        for (; it != end && room > 0 && !window.Full(); ++it) {
            boost::asio::const_buffer buffer(*it);
            buffer += skip;
            skip = 0;
            if (buffer.size() == 0) {
                continue;
            }
            const std::size_t take = std::min(buffer.size(), room);
            window.Push(boost::asio::const_buffer(buffer.data(), take));
            room -= take;
        }
        return window;
    }

    // Moves the position past `bytes` written bytes.
    void Consume(std::size_t bytes)
    {
        auto it = boost::asio::buffer_sequence_begin(buffers_);
        const auto end = boost::asio::buffer_sequence_end(buffers_);
        std::advance(it, index_);
        while (it != end) {
            const std::size_t left = boost::asio::const_buffer(*it).size() - offset_;
            if (bytes < left) {
                offset_ += bytes;
                return;
            }
            bytes -= left;
            offset_ = 0;
            ++index_;
            ++it;
        }
    }

    std::weak_ptr<Stream> stream_;
    typename Stream::executor_type executor_;
    ConstBuffers buffers_;
    std::size_t index_ = 0;
    std::size_t offset_ = 0;
    std::size_t written_ = 0;
    Handler handler_;
};

// Writes all of `buffers` to the stream; handler(error_code, bytes written), run through
// `executor` unless the handler has its own. Completes with broken pipe when the stream is
// (or becomes) released before the write is done.
template <class Stream, class ConstBuffers, class Handler>
void AsyncWriteAll(std::weak_ptr<Stream> stream, typename Stream::executor_type executor, const ConstBuffers& buffers,
                   Handler&& handler)
{
    WriteAllOp<Stream, ConstBuffers, std::decay_t<Handler>> op(std::move(stream), std::move(executor), buffers,
                                                               std::forward<Handler>(handler));
    op.Start();
}

// As above, for a stream the caller holds.
template <class Stream, class ConstBuffers, class Handler>
void AsyncWriteAll(const std::shared_ptr<Stream>& stream, const ConstBuffers& buffers, Handler&& handler)
{
    AsyncWriteAll(std::weak_ptr<Stream>(stream), stream->get_executor(), buffers, std::forward<Handler>(handler));
}

}  // namespace Lumo::Asio
