// Helpers for the stream tests: connected loopback socket pairs, a stream wrapper that
// records the size of every write operation, completion outcomes, and a byte pattern that
// shows misplaced slices.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/CollectingLogger.hpp"
#include "transport/stream/TimeoutBaseStream.hpp"
#include "util/Asio.hpp"

namespace StreamTest {

using boost::asio::ip::tcp;

struct SocketPair {
    tcp::socket server;
    tcp::socket client;
};

inline SocketPair ConnectedPair(boost::asio::io_context& io)
{
    tcp::acceptor acceptor(io, tcp::endpoint(boost::asio::ip::address_v4::loopback(), 0));
    tcp::socket client(io);
    client.connect(acceptor.local_endpoint());
    tcp::socket server(io);
    acceptor.accept(server);
    return {std::move(server), std::move(client)};
}

// Passes writes to a TimeoutBaseStream and records how many bytes each one offered.
class CountingStream {
public:
    using executor_type = Lumo::Asio::TimeoutBaseStream::executor_type;

    explicit CountingStream(Lumo::Asio::TimeoutBaseStream inner) : inner_(std::move(inner)) {}

    template <class ConstBuffers, class Handler>
    void async_write_some(const ConstBuffers& buffers, Handler&& handler)
    {
        offered->push_back(boost::asio::buffer_size(buffers));
        inner_.async_write_some(buffers, std::forward<Handler>(handler));
    }
    executor_type get_executor() noexcept { return inner_.get_executor(); }

    // Shared so the sizes survive the stream.
    std::shared_ptr<std::vector<std::size_t>> offered = std::make_shared<std::vector<std::size_t>>();

private:
    Lumo::Asio::TimeoutBaseStream inner_;
};

// The outcome of an asynchronous read or write, and a handler that stores it.
struct Outcome {
    boost::system::error_code ec;
    std::size_t bytes = 0;
};
inline auto Into(std::optional<Outcome>& slot)
{
    return [&slot](const boost::system::error_code& ec, std::size_t n) { slot = Outcome{ec, n}; };
}

// Runs handlers until `done()` holds or `limit` has passed. Deadline waits stay pending after
// the operations under test have ended, so running until the context has no work would wait
// for them.
template <class Done>
void RunUntil(boost::asio::io_context& io, Done done, std::chrono::steady_clock::duration limit = std::chrono::seconds(10))
{
    io.restart();
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) {
        io.run_one_until(end);
    }
}

inline std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    }
    return bytes;
}

}  // namespace StreamTest
