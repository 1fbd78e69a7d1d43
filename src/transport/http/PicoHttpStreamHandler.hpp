// PicoHttpStreamHandler: the connection handler of the accept loop. Each accepted stream
// gets its own strand and its first transaction; later transactions of a keep-alive
// connection start themselves.
//
// A small value that shares the server's constant settings; copies may be called from the
// I/O thread for any number of connections.
#pragma once

#include <functional>
#include <memory>

#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/Logger.hpp"
#include "transport/ServerConfig.hpp"
#include "transport/http/HttpServerTransaction.hpp"

namespace Lumo::Transport::PicoHttp {

class PicoHttpStreamHandler {
public:
    // Connections are served on strands of `executor`, the I/O context their sockets run on.
    PicoHttpStreamHandler(std::shared_ptr<const HttpServerTransaction::Settings> settings,
                          boost::asio::io_context::executor_type executor);

    // Starts serving `stream`: reads its first request head.
    void operator()(std::shared_ptr<ConnectionStream> stream) const;

private:
    std::shared_ptr<const HttpServerTransaction::Settings> settings_;
    boost::asio::io_context::executor_type executor_;
};

// What the accept loop hands each accepted connection to.
using ConnectionHandler = std::function<void(std::shared_ptr<ConnectionStream>)>;

// The connection handler that serves the API of `provider` over HTTP with the body limit and
// localizer of `config`, logging to `logger` (may be null), for connections whose sockets run
// on `ioContext`.
ConnectionHandler MakeConnectionHandler(boost::asio::io_context& ioContext,
                                        std::shared_ptr<Core::AsyncApiProvider> provider,
                                        const ServerConfig& config, std::shared_ptr<Log::Logger> logger);

}  // namespace Lumo::Transport::PicoHttp
