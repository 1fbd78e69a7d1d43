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
using Lumo::Transport::Http::HttpDetail::FrameBodyWriter;

template <class Buffers>
std::string Flatten(const Buffers& buffers)
{
    std::string bytes;
    for (const boost::asio::const_buffer& buffer : buffers) {
        bytes.append(static_cast<const char*>(buffer.data()), buffer.size());
    }
    return bytes;
}

TEST(ResponseHeadTest, HeadBytesAreExact)
{
    using Headers = std::vector<std::pair<std::string, std::string>>;
    const struct {
        std::string name;
        Headers headers;
        std::uint64_t length;
        bool chunked;
        std::string expected;
    } rows[] = {
        {"chunked, order kept, Server last",
         {{":status", "200"}, {":reason", "OK"}, {"Content-Type", "application/json"}, {"Connection", "Keep-Alive"},
          {"lumo-error", "com.orvane.lumo.std.errors.not_found"}},
         123, true,
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Type: application/json\r\nConnection: Keep-Alive\r\n"
         "lumo-error: com.orvane.lumo.std.errors.not_found\r\nServer: Lumo-PicoHttp\r\n\r\n"},
        {"length zero", {{":status", "400"}, {":reason", "Bad Request"}, {"Connection", "close"}}, 0, false,
         "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\nServer: Lumo-PicoHttp\r\n\r\n"},
        {"largest length", {{":status", "400"}, {":reason", "Bad Request"}}, std::numeric_limits<std::uint64_t>::max(),
         false, "HTTP/1.1 400 Bad Request\r\nContent-Length: 18446744073709551615\r\nServer: Lumo-PicoHttp\r\n\r\n"},
        // Pseudo-headers anywhere form the status line only; duplicates and case are kept.
        {"pseudo-headers anywhere",
         {{"X-First", "1"}, {":reason", "Expectation Failed"}, {"x-second", "two words"}, {":status", "417"},
          {"X-First", "again"}},
         7, false,
         "HTTP/1.1 417 Expectation Failed\r\nContent-Length: 7\r\nX-First: 1\r\nx-second: two words\r\n"
         "X-First: again\r\nServer: Lumo-PicoHttp\r\n\r\npayload"},
    };
    Lumo::Transport::Http::HttpDetail::ResponseHead head;  // reused: each build replaces the last
    const std::string body = "payload";
    for (const auto& row : rows) {
        Lumo::Transport::Http::HttpResponseHeaderRangeBase headers;
        for (const auto& [name, value] : row.headers) {
            headers.Add(name, value);
        }
        head.Build(headers, row.length, row.chunked);
        if (row.length == body.size()) {
            head.AppendBody(boost::asio::buffer(body));
        }
        EXPECT_EQ(Flatten(head.Buffers()), row.expected) << row.name;
    }
}

TEST(FrameBodyWriterTest, PiecesAreFramedWithLowerCaseHexLengths)
{
    const std::string big(65535, 'z');
    FrameBodyWriter::Writer writer(boost::asio::buffer(big));
    EXPECT_EQ(Flatten(writer.GatherList()), "ffff\r\n" + big + "\r\n");
    writer.Reset(boost::asio::const_buffer());
    EXPECT_EQ(Flatten(writer.GatherList()), FrameBodyWriter::kLastChunk);
}

class ChunkedWriteTest : public ::testing::Test {
protected:
    boost::asio::io_context io_;
    StreamTest::SocketPair pair_ = StreamTest::ConnectedPair(io_);
    std::shared_ptr<Lumo::Asio::AsyncPutbackStream> stream_ = std::make_shared<Lumo::Asio::AsyncPutbackStream>(
        Lumo::Asio::TimeoutBaseStream(std::move(pair_.server), Lumo::Asio::IOTimeouts{5s, 5s}));
};

TEST_F(ChunkedWriteTest, EachBodyWriteLeavesAsOneChunkAndFinishWritesTheLastChunk)
{
    Lumo::Transport::Http::HttpDetail::OutChunkedBodyStrm<Lumo::Asio::AsyncPutbackStream> body(stream_);
    const std::string first = "{\"id\":1,";
    const std::string second = "\"result\":\"abcdefghijklmn\"}";  // 26 bytes
    std::vector<boost::system::error_code> results;
    const auto record = [&](const boost::system::error_code& ec, std::size_t) { results.push_back(ec); };

    body.AsyncWrite(boost::asio::buffer(first), [&](const boost::system::error_code& ec, std::size_t n) {
        record(ec, n);
        body.AsyncWrite(boost::asio::buffer(second), [&](const boost::system::error_code& ec2, std::size_t n2) {
            record(ec2, n2);
            body.AsyncFinish([&](const boost::system::error_code& ec3, std::size_t n3) {
                record(ec3, n3);
                stream_->Close();
            });
        });
    });
    io_.run_for(5s);

    EXPECT_EQ(results, std::vector<boost::system::error_code>(3));
    std::string all;
    char buffer[4096];
    boost::system::error_code ec;
    while (!ec) {
        all.append(buffer, pair_.client.read_some(boost::asio::buffer(buffer), ec));
    }
    EXPECT_EQ(all, "8\r\n{\"id\":1,\r\n1a\r\n\"result\":\"abcdefghijklmn\"}\r\n0\r\n\r\n");
}

TEST_F(ChunkedWriteTest, FailedFixedAnswerIsLoggedAndStillClosesTheConnection)
{
    auto logger = std::make_shared<TestSupport::CollectingLogger>();
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
