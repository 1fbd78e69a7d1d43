#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <optional>
#include <string>

#include "StreamTestSupport.hpp"
#include "transport/stream/AsyncPutbackStream.hpp"
#include "transport/stream/FixedAnswer.hpp"
#include "transport/stream/FrameBodyWriter.hpp"
#include "transport/stream/OutChunkedBodyStrm.hpp"
#include "transport/stream/ResponseHead.hpp"

namespace {

using namespace std::chrono_literals;
using Lumo::Transport::Http::HttpResponseHeaderRangeBase;
using Lumo::Transport::Http::HttpDetail::FrameBodyWriter;
using Lumo::Transport::Http::HttpDetail::ResponseHead;

template <class Buffers>
std::string Flatten(const Buffers& buffers)
{
    std::string bytes;
    for (const boost::asio::const_buffer& buffer : buffers) {
        bytes.append(static_cast<const char*>(buffer.data()), buffer.size());
    }
    return bytes;
}

TEST(ResponseHeadTest, ChunkedHeadKeepsHeaderOrderAndEndsWithServer)
{
    HttpResponseHeaderRangeBase headers;
    headers.Add(":status", "200");
    headers.Add(":reason", "OK");
    headers.Add("Content-Type", "application/json");
    headers.Add("Connection", "Keep-Alive");
    headers.Add("lumo-error", "com.orvane.lumo.std.errors.not_found");
    ResponseHead head;
    head.Build(headers, 123, true);

    EXPECT_EQ(Flatten(head.Buffers()),
              "HTTP/1.1 200 OK\r\n"
              "Transfer-Encoding: chunked\r\n"
              "Content-Type: application/json\r\n"
              "Connection: Keep-Alive\r\n"
              "lumo-error: com.orvane.lumo.std.errors.not_found\r\n"
              "Server: Lumo-PicoHttp\r\n"
              "\r\n");
}

TEST(ResponseHeadTest, LengthFramingIsWrittenForEveryLengthIncludingZero)
{
    HttpResponseHeaderRangeBase headers;
    headers.Add(":status", "400");
    headers.Add(":reason", "Bad Request");
    headers.Add("Connection", "close");
    ResponseHead head;

    head.Build(headers, 0, false);
    EXPECT_EQ(Flatten(head.Buffers()),
              "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\nServer: Lumo-PicoHttp\r\n\r\n");

    // Rebuilding replaces the previous head; the largest length fits the scratch area.
    head.Build(headers, std::numeric_limits<std::uint64_t>::max(), false);
    EXPECT_EQ(Flatten(head.Buffers()),
              "HTTP/1.1 400 Bad Request\r\nContent-Length: 18446744073709551615\r\nConnection: close\r\n"
              "Server: Lumo-PicoHttp\r\n\r\n");
}

TEST(ResponseHeadTest, StatusPseudoHeadersAnywhereInTheListFormTheStatusLineOnly)
{
    HttpResponseHeaderRangeBase headers;
    headers.Add("X-First", "1");
    headers.Add(":reason", "Expectation Failed");
    headers.Add("x-second", "two words");
    headers.Add(":status", "417");
    headers.Add("X-First", "again");  // duplicates and case are kept as given
    ResponseHead head;
    head.Build(headers, 7, false);
    const std::string body = "payload";
    head.AppendBody(boost::asio::buffer(body));

    EXPECT_EQ(Flatten(head.Buffers()),
              "HTTP/1.1 417 Expectation Failed\r\nContent-Length: 7\r\nX-First: 1\r\nx-second: two words\r\n"
              "X-First: again\r\nServer: Lumo-PicoHttp\r\n\r\npayload");
}

TEST(FrameBodyWriterTest, PiecesAreFramedWithLowerCaseHexLengths)
{
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz";
    FrameBodyWriter::Writer writer(boost::asio::buffer(alphabet));
    EXPECT_EQ(Flatten(writer.GatherList()), "1a\r\nabcdefghijklmnopqrstuvwxyz\r\n");

    const std::string big(65535, 'z');
    writer.Reset(boost::asio::buffer(big));
    EXPECT_EQ(writer.LengthDigits(), "ffff");
    EXPECT_EQ(Flatten(writer.GatherList()), "ffff\r\n" + big + "\r\n");

    writer.Reset(boost::asio::const_buffer());
    EXPECT_EQ(Flatten(writer.GatherList()), FrameBodyWriter::kLastChunk);
}

class ChunkedWriteTest : public ::testing::Test {
protected:
    ChunkedWriteTest()
        : pair_(StreamTest::ConnectedPair(io_)),
          stream_(std::make_shared<Lumo::Asio::AsyncPutbackStream>(
              Lumo::Asio::TimeoutBaseStream(std::move(pair_.server), Lumo::Asio::IOTimeouts{5s, 5s})))
    {
    }

    // Everything the client receives until the server closes the connection.
    std::string ReadAllOnClient()
    {
        std::string all;
        char buffer[4096];
        boost::system::error_code ec;
        while (!ec) {
            const std::size_t n = pair_.client.read_some(boost::asio::buffer(buffer), ec);
            all.append(buffer, n);
        }
        return all;
    }

    boost::asio::io_context io_;
    StreamTest::SocketPair pair_;
    std::shared_ptr<Lumo::Asio::AsyncPutbackStream> stream_;
};

TEST_F(ChunkedWriteTest, EachBodyWriteLeavesAsOneChunkAndFinishWritesTheLastChunk)
{
    Lumo::Transport::Http::HttpDetail::OutChunkedBodyStrm<Lumo::Asio::AsyncPutbackStream> body(stream_);
    const std::string first = "{\"id\":1,";
    const std::string second = "\"result\":\"abcdefghijklmn\"}";
    std::vector<boost::system::error_code> results;

    body.AsyncWrite(boost::asio::buffer(first), [&](const boost::system::error_code& ec, std::size_t) {
        results.push_back(ec);
        body.AsyncWrite(boost::asio::buffer(second), [&](const boost::system::error_code& ec2, std::size_t) {
            results.push_back(ec2);
            body.AsyncFinish([&](const boost::system::error_code& ec3, std::size_t) {
                results.push_back(ec3);
                stream_->Close();
            });
        });
    });
    io_.run_for(5s);

    ASSERT_EQ(results.size(), 3u);
    for (const auto& ec : results) {
        EXPECT_FALSE(ec) << ec.message();
    }
    EXPECT_EQ(ReadAllOnClient(), "8\r\n{\"id\":1,\r\n1a\r\n\"result\":\"abcdefghijklmn\"}\r\n0\r\n\r\n");
}

TEST_F(ChunkedWriteTest, FailedFixedAnswerIsLoggedAndStillClosesTheConnection)
{
    auto logger = std::make_shared<StreamTest::CollectingLogger>();
    stream_->Lowest().Lowest().shutdown(boost::asio::socket_base::shutdown_send);
    std::optional<boost::system::error_code> done;
    Lumo::Transport::Http::HttpDetail::AsyncWriteFixedAnswer(
        stream_, boost::asio::buffer(std::string_view("HTTP/1.1 400 Bad Request\r\n\r\n")), logger,
        [&](const boost::system::error_code& ec) { done = ec; });
    io_.run_for(5s);

    ASSERT_TRUE(done.has_value());
    EXPECT_EQ(*done, boost::asio::error::broken_pipe);
    const auto lines = logger->Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, Lumo::Log::kInfo);
    EXPECT_EQ(lines[0].text, "Failed to deliver response. EC: " + done->message());
    EXPECT_FALSE(stream_->Lowest().Lowest().is_open());
}

}  // namespace
