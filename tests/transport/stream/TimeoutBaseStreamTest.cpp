#include "transport/stream/TimeoutBaseStream.hpp"

#include <gtest/gtest.h>

#include <chrono>

#include "StreamTestSupport.hpp"

namespace {

using namespace std::chrono_literals;
using Lumo::Asio::IOTimeouts;
using Lumo::Asio::TimeoutBaseStream;
using Clock = std::chrono::steady_clock;

using StreamTest::Into;
using StreamTest::Outcome;

class TimeoutBaseStreamTest : public ::testing::Test {
protected:
    boost::asio::io_context io_;
    StreamTest::SocketPair pair_ = StreamTest::ConnectedPair(io_);
    char buffer_[16];
};

TEST_F(TimeoutBaseStreamTest, DeadlinesDoNotRunWhileNoOperationIsOutstanding)
{
    TimeoutBaseStream stream(std::move(pair_.server), IOTimeouts{100ms, 100ms});
    std::string received;
    std::optional<Outcome> second;

    // Read, then spend well over both timeouts without any operation (as a request does in
    // the provider), then read and write again.
    boost::asio::write(pair_.client, boost::asio::buffer("a", 1));
    boost::asio::steady_timer idle(io_);
    stream.async_read_some(boost::asio::buffer(buffer_), [&](const boost::system::error_code& ec, std::size_t n) {
        ASSERT_FALSE(ec);
        received.append(buffer_, n);
        idle.expires_after(400ms);
        idle.async_wait([&](const boost::system::error_code&) {
            boost::asio::write(pair_.client, boost::asio::buffer("b", 1));
            stream.async_read_some(boost::asio::buffer(buffer_), [&](const boost::system::error_code& e, std::size_t k) {
                second = Outcome{e, k};
                received.append(buffer_, k);
            });
        });
    });
    io_.run_for(5s);
    ASSERT_TRUE(second.has_value());
    EXPECT_FALSE(second->ec) << second->ec.message();
    EXPECT_EQ(received, "ab");

    io_.restart();
    std::optional<Outcome> write;
    stream.async_write_some(boost::asio::buffer("ok", 2), Into(write));
    io_.run_for(5s);
    ASSERT_TRUE(write.has_value());
    EXPECT_FALSE(write->ec);
    char reply[2];
    boost::asio::read(pair_.client, boost::asio::buffer(reply));
    EXPECT_EQ(std::string(reply, 2), "ok");
}

TEST_F(TimeoutBaseStreamTest, PendingReadKeepsTheConnectionAfterTheStreamIsReleased)
{
    std::optional<Outcome> read;
    TimeoutBaseStream(std::move(pair_.server), IOTimeouts{10s, 10s}).async_read_some(boost::asio::buffer(buffer_), Into(read));
    boost::asio::write(pair_.client, boost::asio::buffer("late", 4));
    io_.run_for(2s);

    ASSERT_TRUE(read.has_value());
    EXPECT_FALSE(read->ec);
    EXPECT_EQ(std::string(buffer_, read->bytes), "late");
    // With the read done nothing holds the connection any more: the peer sees it closed.
    boost::system::error_code ec;
    pair_.client.read_some(boost::asio::buffer(buffer_), ec);
    EXPECT_EQ(ec, boost::asio::error::eof);
}

TEST(SaturatingDeadlineTest, ClampsInsteadOfOverflowing)
{
    const auto now = Clock::now();
    EXPECT_EQ(Lumo::Asio::SaturatingDeadline(now, Clock::duration::max()), Clock::time_point::max());
    EXPECT_EQ(Lumo::Asio::SaturatingDeadline(now, 5s), now + 5s);
    EXPECT_EQ(Lumo::Asio::SaturatingDeadline(Clock::time_point::max() - 1s, 2s), Clock::time_point::max());
}

}  // namespace
