#include "transport/stream/WriteAllOp.hpp"

#include <gtest/gtest.h>

#include <array>
#include <chrono>

#include "StreamTestSupport.hpp"

namespace {

using namespace std::chrono_literals;
using Lumo::Asio::AsyncWriteAll;
using Lumo::Asio::kMaxWriteOperationBytes;

using StreamTest::Into;
using Result = StreamTest::Outcome;

class WriteAllOpTest : public ::testing::Test {
protected:
    // Reads `size` bytes on the client side within the same I/O context.
    void ReceiveOnClient(std::size_t size)
    {
        received_.resize(size);
        boost::asio::async_read(pair_.client, boost::asio::buffer(received_),
                                [this](const boost::system::error_code&, std::size_t n) {
                                    received_.resize(n);
                                    clientDone_ = true;
                                });
    }

    boost::asio::io_context io_;
    StreamTest::SocketPair pair_ = StreamTest::ConnectedPair(io_);
    std::shared_ptr<StreamTest::CountingStream> stream_ = std::make_shared<StreamTest::CountingStream>(
        Lumo::Asio::TimeoutBaseStream(std::move(pair_.server), Lumo::Asio::IOTimeouts{5s, 5s}));
    std::shared_ptr<std::vector<std::size_t>> offered_ = stream_->offered;
    std::string received_;
    bool clientDone_ = false;
};

TEST_F(WriteAllOpTest, GatheredBuffersArriveCompleteInOperationsOfAtMost64KiB)
{
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 300000\r\n\r\n";
    const std::string body = StreamTest::Pattern(300000);
    const std::array<boost::asio::const_buffer, 2> buffers{boost::asio::buffer(head), boost::asio::buffer(body)};
    std::optional<Result> result;
    AsyncWriteAll(stream_, buffers, Into(result));
    ReceiveOnClient(head.size() + body.size());
    StreamTest::RunUntil(io_, [&] { return result.has_value() && clientDone_; });

    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(result->ec) << result->ec.message();
    EXPECT_EQ(result->bytes, head.size() + body.size());
    EXPECT_TRUE(received_ == head + body) << "bytes arrived out of order, repeated or missing";
    for (std::size_t size : *offered_) {
        EXPECT_LE(size, kMaxWriteOperationBytes);
        EXPECT_GT(size, 0u);
    }
    // The first operation carries the whole head and the start of the body together.
    ASSERT_FALSE(offered_->empty());
    EXPECT_EQ(offered_->front(), kMaxWriteOperationBytes);
}

TEST_F(WriteAllOpTest, StreamReleasedBeforeTheContinuationEndsWithBrokenPipe)
{
    const std::string big = StreamTest::Pattern(3 * kMaxWriteOperationBytes);
    std::optional<Result> result;
    AsyncWriteAll(stream_, boost::asio::buffer(big), Into(result));
    stream_.reset();  // the transaction let go of the connection while the first write runs
    ReceiveOnClient(big.size());
    io_.run_for(5s);

    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->ec, boost::system::error_code(EPIPE, boost::system::system_category()));
    ASSERT_EQ(offered_->size(), 1u);
    EXPECT_EQ(result->bytes, offered_->front());
}

}  // namespace
