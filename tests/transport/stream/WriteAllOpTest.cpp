#include "transport/stream/WriteAllOp.hpp"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "StreamTestSupport.hpp"
#include "transport/stream/ResponseHead.hpp"

namespace {

using namespace std::chrono_literals;
using Lumo::Asio::AsyncWriteAll;
using Lumo::Asio::IOTimeouts;
using Lumo::Asio::kMaxWriteOperationBytes;
using Lumo::Asio::TimeoutBaseStream;
using StreamTest::CountingStream;

struct Result {
    boost::system::error_code ec;
    std::size_t bytes = 0;
};

class WriteAllOpTest : public ::testing::Test {
protected:
    WriteAllOpTest()
        : pair_(StreamTest::ConnectedPair(io_)),
          stream_(std::make_shared<CountingStream>(TimeoutBaseStream(std::move(pair_.server), IOTimeouts{5s, 5s}))),
          offered_(stream_->Offered())
    {
    }

    // Reads `size` bytes on the client side within the same I/O context.
    void ReceiveOnClient(std::size_t size)
    {
        received_.resize(size);
        boost::asio::async_read(pair_.client, boost::asio::buffer(received_),
                                [this](const boost::system::error_code& ec, std::size_t n) {
                                    receivedEc_ = ec;
                                    received_.resize(n);
                                });
    }

    boost::asio::io_context io_;
    StreamTest::SocketPair pair_;
    std::shared_ptr<CountingStream> stream_;
    std::shared_ptr<std::vector<std::size_t>> offered_;
    std::string received_;
    boost::system::error_code receivedEc_;
};

TEST_F(WriteAllOpTest, GatheredHeadAndLargeBodyArriveCompleteInBoundedOperations)
{
    Lumo::Transport::Http::HttpResponseHeaderRangeBase headers;
    headers.Add(":status", "400");
    headers.Add(":reason", "Bad Request");
    headers.Add("Content-Type", "text/plain");
    const std::string body = StreamTest::Pattern(300000);
    Lumo::Transport::Http::HttpDetail::ResponseHead head;
    head.Build(headers, body.size(), false);
    head.AppendBody(boost::asio::buffer(body));
    const std::string expected = "HTTP/1.1 400 Bad Request\r\nContent-Length: 300000\r\nContent-Type: text/plain\r\n"
                                 "Server: Lumo-PicoHttp\r\n\r\n" +
                                 body;

    std::optional<Result> result;
    AsyncWriteAll(stream_, head.Buffers(),
                  [&](const boost::system::error_code& ec, std::size_t n) { result = Result{ec, n}; });
    ReceiveOnClient(expected.size());
    io_.run_for(10s);

    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(result->ec) << result->ec.message();
    EXPECT_EQ(result->bytes, expected.size());
    EXPECT_FALSE(receivedEc_);
    EXPECT_TRUE(received_ == expected) << "bytes arrived out of order, repeated or missing";

    ASSERT_GE(offered_->size(), (expected.size() + kMaxWriteOperationBytes - 1) / kMaxWriteOperationBytes);
    for (std::size_t size : *offered_) {
        EXPECT_LE(size, kMaxWriteOperationBytes);
        EXPECT_GT(size, 0u);
    }
    // The first operation carries the whole head and the start of the body together.
    EXPECT_EQ(offered_->front(), kMaxWriteOperationBytes);
}

TEST_F(WriteAllOpTest, ManySmallBuffersAreAllWritten)
{
    // More views than one system call takes: the rest goes out in later operations.
    std::vector<std::string> parts;
    std::vector<boost::asio::const_buffer> views;
    std::string expected;
    for (int i = 0; i < 200; ++i) {
        parts.push_back(std::to_string(i) + (i % 3 == 0 ? std::string() : std::string(i, '.')) + ";");
    }
    for (const auto& part : parts) {
        views.push_back(boost::asio::buffer(part));
        views.push_back(boost::asio::const_buffer());  // empty views are skipped
        expected += part;
    }

    std::optional<Result> result;
    AsyncWriteAll(stream_, std::span<const boost::asio::const_buffer>(views),
                  [&](const boost::system::error_code& ec, std::size_t n) { result = Result{ec, n}; });
    ReceiveOnClient(expected.size());
    io_.run_for(5s);

    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(result->ec);
    EXPECT_EQ(received_, expected);
    EXPECT_EQ(std::accumulate(offered_->begin(), offered_->end(), std::size_t{0}), expected.size());
}

TEST_F(WriteAllOpTest, StreamReleasedBeforeTheContinuationEndsWithBrokenPipe)
{
    const std::string big = StreamTest::Pattern(3 * kMaxWriteOperationBytes);
    std::optional<Result> result;
    AsyncWriteAll(stream_, boost::asio::buffer(big),
                  [&](const boost::system::error_code& ec, std::size_t n) { result = Result{ec, n}; });
    stream_.reset();  // the transaction let go of the connection while the first write runs
    ReceiveOnClient(big.size());
    io_.run_for(5s);

    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->ec, boost::system::error_code(32, boost::system::system_category()));
    ASSERT_EQ(offered_->size(), 1u);
    EXPECT_EQ(result->bytes, offered_->front());
}

TEST_F(WriteAllOpTest, NothingToWriteCompletesWithoutAnOperationAndNotInline)
{
    std::optional<Result> result;
    const std::array<boost::asio::const_buffer, 2> empty{};
    AsyncWriteAll(stream_, empty, [&](const boost::system::error_code& ec, std::size_t n) { result = Result{ec, n}; });
    EXPECT_FALSE(result.has_value());
    io_.poll();

    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(result->ec);
    EXPECT_EQ(result->bytes, 0u);
    EXPECT_TRUE(offered_->empty());
}

}  // namespace
