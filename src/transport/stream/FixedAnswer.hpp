// AsyncWriteFixedAnswer: writes a literal answer (the plain 400, the 417) and closes the
// connection, whatever the write's outcome.
//
// The caller keeps the answer's bytes alive until `done` runs; the stream is held for the
// duration of the write. Runs on the connection's I/O thread.
#pragma once

#include <memory>
#include <utility>

#include "platform/lumo/Logger.hpp"
#include "transport/stream/WriteAllOp.hpp"
#include "util/Asio.hpp"

namespace Lumo::Transport::Http::HttpDetail {

// Writes `bytes` under the write deadline, logs a failed delivery on `logger` (may be null),
// ends the connection (gracefully after a delivered answer) and then calls done(error_code).
template <class Stream, class ConstBuffers, class Handler>
void AsyncWriteFixedAnswer(const std::shared_ptr<Stream>& stream, const ConstBuffers& bytes,
                           std::shared_ptr<Log::Logger> logger, Handler&& done)
{
    Lumo::Asio::AsyncWriteAll(
        stream, bytes,
        [stream, logger = std::move(logger), done = std::forward<Handler>(done)](
            const boost::system::error_code& ec, std::size_t) mutable {
            if (ec) {
                Log::Write(logger.get(), Log::kInfo, "Failed to deliver response. EC: ", ec.message());
            }
            if (ec) {
                stream->Close();
            } else {
                stream->CloseGracefully();
            }
            done(ec);
        });
}

}  // namespace Lumo::Transport::Http::HttpDetail
