#include "transport/stream/AsyncPutbackStream.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <numeric>

#include "StreamTestSupport.hpp"

namespace {

using namespace std::chrono_literals;
using Lumo::Asio::AsyncPutbackStream;
using Lumo::Asio::IOTimeouts;
using Lumo::Asio::TimeoutBaseStream;

class AsyncPutbackStreamTest : public ::testing::Test {
protected:
    // Reads with a buffer of `size` bytes until `total` bytes arrived; returns each read's bytes.
    // Each read completes through the executor, never inside the call that starts it.
    std::vector<std::string> ReadPieces(std::size_t size, std::size_t total)
    {
        std::vector<std::string> pieces;
        std::vector<char> buffer(size);
        std::size_t got = 0;
        bool finished = false;
        std::function<void()> next = [&] {
            stream_.async_read_some(boost::asio::buffer(buffer), [&](const boost::system::error_code& ec, std::size_t n) {
                pieces.push_back(ec ? "<" + ec.message() + ">" : std::string(buffer.data(), n));
                if (!ec && (got += n) < total) {
                    next();
                } else {
                    finished = true;
                }
            });
        };
        next();
        EXPECT_TRUE(pieces.empty()) << "completed inline";
        StreamTest::RunUntil(io_, [&] { return finished; }, 3s);
        return pieces;
    }

    boost::asio::io_context io_;
    StreamTest::SocketPair pair_ = StreamTest::ConnectedPair(io_);
    AsyncPutbackStream stream_{TimeoutBaseStream(std::move(pair_.server), IOTimeouts{2s, 2s})};
};

TEST_F(AsyncPutbackStreamTest, PutbackBytesComeFirstAcrossSmallReadsAndLaterPutbackGoesInFront)
{
    // The socket bytes are already waiting: a read that touched the socket would see them.
    boost::asio::write(pair_.client, boost::asio::buffer(std::string("SOCKET")));
    std::string head = "HEAD-REST";
    stream_.Putback(boost::asio::buffer(head));
    head.assign(head.size(), 'X');  // put-back bytes are copied: the caller may reuse its buffer

    EXPECT_EQ(ReadPieces(2, 2), std::vector<std::string>{"HE"});
    stream_.Putback(boost::asio::buffer(std::string("ab")));
    const auto pieces = ReadPieces(4, 15);

    // The last put-back byte completes alone; socket bytes are never mixed into it.
    ASSERT_GE(pieces.size(), 4u);
    EXPECT_EQ(pieces[0], "abAD");
    EXPECT_EQ(pieces[1], "-RES");
    EXPECT_EQ(pieces[2], "T");
    EXPECT_EQ(std::accumulate(pieces.begin() + 3, pieces.end(), std::string()), "SOCKET");
    EXPECT_EQ(stream_.PutbackSize(), 0u);
}

}  // namespace
