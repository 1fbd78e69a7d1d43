#include "transport/stream/AsyncPutbackStream.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "StreamTestSupport.hpp"

namespace {

using namespace std::chrono_literals;
using Lumo::Asio::AsyncPutbackStream;
using Lumo::Asio::IOTimeouts;
using Lumo::Asio::TimeoutBaseStream;

class AsyncPutbackStreamTest : public ::testing::Test {
protected:
    AsyncPutbackStreamTest()
        : pair_(StreamTest::ConnectedPair(io_)),
          stream_(TimeoutBaseStream(std::move(pair_.server), IOTimeouts{2s, 2s}))
    {
    }

    // Reads with a buffer of `size` bytes until `total` bytes arrived; returns each read's bytes.
    std::vector<std::string> ReadPieces(std::size_t size, std::size_t total)
    {
        std::vector<std::string> pieces;
        std::vector<char> buffer(size);
        std::size_t got = 0;
        std::function<void()> next = [&] {
            stream_.async_read_some(boost::asio::buffer(buffer),
                                    [&](const boost::system::error_code& ec, std::size_t n) {
                                        if (ec) {
                                            pieces.push_back("<" + ec.message() + ">");
                                            return;
                                        }
                                        pieces.emplace_back(buffer.data(), n);
                                        got += n;
                                        if (got < total) {
                                            next();
                                        }
                                    });
        };
        next();
        io_.restart();
        io_.run_for(3s);
        return pieces;
    }

    boost::asio::io_context io_;
    StreamTest::SocketPair pair_;
    AsyncPutbackStream stream_;
};

TEST_F(AsyncPutbackStreamTest, PutbackBytesComeBeforeSocketBytesAcrossSmallReads)
{
    // The socket bytes are already waiting: a read that touched the socket would see them.
    boost::asio::write(pair_.client, boost::asio::buffer(std::string("SOCKET")));
    std::string head = "HEAD-REST";
    stream_.Putback(boost::asio::buffer(head));
    EXPECT_EQ(stream_.PutbackSize(), head.size());

    const auto pieces = ReadPieces(4, 15);

    ASSERT_GE(pieces.size(), 4u);
    EXPECT_EQ(pieces[0], "HEAD");
    EXPECT_EQ(pieces[1], "-RES");
    // The last put-back byte completes alone; socket bytes are never mixed into it.
    EXPECT_EQ(pieces[2], "T");
    std::string rest;
    for (std::size_t i = 3; i < pieces.size(); ++i) {
        rest += pieces[i];
    }
    EXPECT_EQ(rest, "SOCKET");
    EXPECT_EQ(stream_.PutbackSize(), 0u);
}

TEST_F(AsyncPutbackStreamTest, PutbackCopiesSoTheCallerMayReuseItsBuffer)
{
    std::string headBuffer = "body-start";
    stream_.Putback(boost::asio::buffer(headBuffer));
    headBuffer.assign(headBuffer.size(), 'X');  // the next head overwrites the buffer

    const auto pieces = ReadPieces(64, 10);

    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0], "body-start");
}

TEST_F(AsyncPutbackStreamTest, PutbackReadCompletesThroughTheExecutorNotInline)
{
    stream_.Putback(boost::asio::buffer(std::string("xy")));
    char buffer[8];
    bool done = false;
    stream_.async_read_some(boost::asio::buffer(buffer), [&](const boost::system::error_code& ec, std::size_t n) {
        EXPECT_FALSE(ec);
        EXPECT_EQ(n, 2u);
        done = true;
    });
    EXPECT_FALSE(done);
    io_.poll();
    EXPECT_TRUE(done);
}

TEST_F(AsyncPutbackStreamTest, LaterPutbackGoesInFrontOfUnreadBytes)
{
    stream_.Putback(boost::asio::buffer(std::string("12345")));
    const auto first = ReadPieces(2, 2);
    stream_.Putback(boost::asio::buffer(std::string("ab")));

    const auto pieces = ReadPieces(16, 5);

    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0], "12");
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0], "ab345");
}

}  // namespace
