#include "transport/stream/TimeoutBaseStream.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "StreamTestSupport.hpp"
#include "transport/stream/WriteAllOp.hpp"

namespace {

using namespace std::chrono_literals;
using Lumo::Asio::IOTimeouts;
using Lumo::Asio::TimeoutBaseStream;
using StreamTest::ConnectedPair;
using Clock = std::chrono::steady_clock;

struct Outcome {
    boost::system::error_code ec;
    std::size_t bytes = 0;
    Clock::time_point at;
};

TEST(TimeoutBaseStreamTest, IdleReadIsShutDownWhenTheReadTimeoutPasses)
{
    boost::asio::io_context io;
    auto pair = ConnectedPair(io);
    TimeoutBaseStream stream(std::move(pair.server), IOTimeouts{150ms, 10s});

    char buffer[16];
    std::optional<Outcome> read;
    const auto start = Clock::now();
    stream.async_read_some(boost::asio::buffer(buffer), [&](const boost::system::error_code& ec, std::size_t n) {
        read = Outcome{ec, n, Clock::now()};
    });
    io.run_for(5s);

    ASSERT_TRUE(read.has_value());
    EXPECT_TRUE(read->ec) << "an idle read must end with an error, not data";
    EXPECT_EQ(read->bytes, 0u);
    EXPECT_GE(read->at - start, 150ms);
    EXPECT_LT(read->at - start, 3s);

    // The peer sees the connection end too.
    boost::system::error_code clientEc;
    pair.client.read_some(boost::asio::buffer(buffer), clientEc);
    EXPECT_EQ(clientEc, boost::asio::error::eof);
}

TEST(TimeoutBaseStreamTest, ClientThatStopsReadingIsDisconnectedWhenTheWriteTimeoutPasses)
{
    boost::asio::io_context io;
    auto pair = ConnectedPair(io, [](StreamTest::tcp::socket& client) {
        client.set_option(boost::asio::socket_base::receive_buffer_size(4096));
    });
    pair.server.set_option(boost::asio::socket_base::send_buffer_size(4096));
    auto stream = std::make_shared<TimeoutBaseStream>(std::move(pair.server), IOTimeouts{10s, 300ms});

    const std::string response = StreamTest::Pattern(8 * 1024 * 1024);
    std::optional<Outcome> write;
    const auto start = Clock::now();
    Lumo::Asio::AsyncWriteAll(stream, boost::asio::buffer(response),
                              [&](const boost::system::error_code& ec, std::size_t n) {
                                  write = Outcome{ec, n, Clock::now()};
                              });
    io.run_for(10s);

    ASSERT_TRUE(write.has_value());
    EXPECT_TRUE(write->ec);
    EXPECT_LT(write->bytes, response.size());
    EXPECT_GE(write->at - start, 300ms);
    EXPECT_LT(write->at - start, 5s);
}

TEST(TimeoutBaseStreamTest, DeadlinesDoNotRunWhileNoOperationIsOutstanding)
{
    boost::asio::io_context io;
    auto pair = ConnectedPair(io);
    TimeoutBaseStream stream(std::move(pair.server), IOTimeouts{100ms, 100ms});
    char buffer[16];
    std::string received;
    std::optional<Outcome> second;

    // Read, then spend well over both timeouts without any operation (as a request does in
    // the provider), then read and write again.
    boost::asio::write(pair.client, boost::asio::buffer("a", 1));
    boost::asio::steady_timer idle(io);
    stream.async_read_some(boost::asio::buffer(buffer), [&](const boost::system::error_code& ec, std::size_t n) {
        ASSERT_FALSE(ec);
        received.append(buffer, n);
        idle.expires_after(400ms);
        idle.async_wait([&](const boost::system::error_code&) {
            boost::asio::write(pair.client, boost::asio::buffer("b", 1));
            stream.async_read_some(boost::asio::buffer(buffer),
                                   [&](const boost::system::error_code& readEc, std::size_t count) {
                                       second = Outcome{readEc, count, Clock::now()};
                                       received.append(buffer, count);
                                   });
        });
    });
    io.run_for(5s);

    ASSERT_TRUE(second.has_value());
    EXPECT_FALSE(second->ec) << second->ec.message();
    EXPECT_EQ(received, "ab");

    io.restart();
    std::optional<Outcome> write;
    stream.async_write_some(boost::asio::buffer("ok", 2), [&](const boost::system::error_code& ec, std::size_t n) {
        write = Outcome{ec, n, Clock::now()};
    });
    io.run_for(5s);
    ASSERT_TRUE(write.has_value());
    EXPECT_FALSE(write->ec);
    char reply[2];
    boost::asio::read(pair.client, boost::asio::buffer(reply));
    EXPECT_EQ(std::string(reply, 2), "ok");
}

TEST(TimeoutBaseStreamTest, PendingReadKeepsTheConnectionAfterTheStreamIsReleased)
{
    boost::asio::io_context io;
    auto pair = ConnectedPair(io);
    char buffer[16];
    std::optional<Outcome> read;
    {
        TimeoutBaseStream stream(std::move(pair.server), IOTimeouts{10s, 10s});
        stream.async_read_some(boost::asio::buffer(buffer), [&](const boost::system::error_code& ec, std::size_t n) {
            read = Outcome{ec, n, Clock::now()};
        });
    }
    boost::asio::write(pair.client, boost::asio::buffer("late", 4));
    io.run_for(2s);

    ASSERT_TRUE(read.has_value());
    EXPECT_FALSE(read->ec);
    EXPECT_EQ(std::string(buffer, read->bytes), "late");
    // With the read done nothing holds the connection any more: the peer sees it closed.
    boost::system::error_code clientEc;
    pair.client.read_some(boost::asio::buffer(buffer), clientEc);
    EXPECT_EQ(clientEc, boost::asio::error::eof);
}

TEST(TimeoutBaseStreamTest, CloseEndsPendingReadAndForgetsThePeer)
{
    boost::asio::io_context io;
    auto pair = ConnectedPair(io);
    TimeoutBaseStream stream(std::move(pair.server), IOTimeouts{10s, 10s});

    boost::system::error_code ec;
    EXPECT_EQ(stream.RemoteEndpoint(ec), pair.client.local_endpoint());
    EXPECT_FALSE(ec);

    char buffer[16];
    std::optional<Outcome> read;
    stream.async_read_some(boost::asio::buffer(buffer), [&](const boost::system::error_code& readEc, std::size_t n) {
        read = Outcome{readEc, n, Clock::now()};
    });
    stream.Close();
    io.run_for(2s);

    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->ec, boost::asio::error::operation_aborted);
    stream.RemoteEndpoint(ec);
    EXPECT_TRUE(ec);
}

TEST(TimeoutBaseStreamTest, SaturatingDeadlineClampsInsteadOfOverflowing)
{
    const auto now = Clock::now();
    EXPECT_EQ(Lumo::Asio::SaturatingDeadline(now, Clock::duration::max()), Clock::time_point::max());
    EXPECT_EQ(Lumo::Asio::SaturatingDeadline(now, 5s), now + 5s);
    EXPECT_EQ(Lumo::Asio::SaturatingDeadline(Clock::time_point::max() - 1s, 2s), Clock::time_point::max());
}

}  // namespace
