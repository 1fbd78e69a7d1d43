// Acceptor: a listening TCP socket that produces connected sockets for the accept loop.
//
// Owned by its StreamServer; used on the I/O thread only. Listen opens the listening socket
// for an address and reports failure as an error code.
#pragma once

#include <string>
#include <utility>

#include "util/Asio.hpp"

namespace Lumo::Asio {

class Acceptor {
public:
    using Socket = boost::asio::ip::tcp::socket;
    using executor_type = boost::asio::ip::tcp::acceptor::executor_type;

    // Takes over a listening acceptor.
    explicit Acceptor(boost::asio::ip::tcp::acceptor acceptor) : acceptor_(std::move(acceptor)) {}

    // Opens `acceptor` on `endpoint` with address reuse (and IPv6 only for IPv6 addresses),
    // binds and listens. On failure the acceptor is left closed and the error returned.
    static boost::system::error_code Listen(boost::asio::ip::tcp::acceptor& acceptor,
                                            const boost::asio::ip::tcp::endpoint& endpoint);

    // Accepts one connection; handler(error_code, Socket).
    template <class Handler>
    void AsyncAccept(Handler&& handler)
    {
        acceptor_.async_accept(std::forward<Handler>(handler));
    }

    // "LocalEndpoint:" and the bound address and port, or the error text when the local
    // address cannot be read.
    std::string Describe() const;

    // Closes the listening socket; a pending accept completes with an error.
    void Close();

    executor_type get_executor() noexcept { return acceptor_.get_executor(); }

    boost::asio::ip::tcp::acceptor& Lowest() noexcept { return acceptor_; }

private:
    boost::asio::ip::tcp::acceptor acceptor_;
};

}  // namespace Lumo::Asio
