#include "transport/stream/Acceptor.hpp"

#include <sstream>

namespace Lumo::Asio {

boost::system::error_code Acceptor::Listen(boost::asio::ip::tcp::acceptor& acceptor,
                                           const boost::asio::ip::tcp::endpoint& endpoint)
{
    boost::system::error_code ec;
    acceptor.open(endpoint.protocol(), ec);
    if (!ec) {
        acceptor.set_option(boost::asio::socket_base::reuse_address(true), ec);
    }
    if (!ec && endpoint.address().is_v6()) {
        // The IPv4 address has a listener of its own; never take it over through a mapped address.
        acceptor.set_option(boost::asio::ip::v6_only(true), ec);
    }
    if (!ec) {
        acceptor.bind(endpoint, ec);
    }
    if (!ec) {
        acceptor.listen(boost::asio::socket_base::max_listen_connections, ec);
    }
    if (ec) {
        boost::system::error_code ignored;
        acceptor.close(ignored);
    }
    return ec;
}

std::string Acceptor::Describe() const
{
    boost::system::error_code ec;
    const auto local = acceptor_.local_endpoint(ec);
    std::ostringstream text;
    text << "LocalEndpoint:";
    if (ec) {
        text << ec.message();
    } else {
        text << local;
    }
    return text.str();
}

void Acceptor::Close()
{
    boost::system::error_code ignored;
    acceptor_.close(ignored);
}

}  // namespace Lumo::Asio
