#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <limits>
#include <numeric>

#include "StreamTestSupport.hpp"
#include "transport/stream/OutChunkedBodyStrm.hpp"
#include "transport/stream/ResponseHead.hpp"

namespace {

using namespace std::chrono_literals;

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
        std::string expected;
    } rows[] = {
        {"largest length", {{":status", "400"}, {":reason", "Bad Request"}}, std::numeric_limits<std::uint64_t>::max(),
         "HTTP/1.1 400 Bad Request\r\nContent-Length: 18446744073709551615\r\nServer: Lumo-PicoHttp\r\n\r\n"},
        // Pseudo-headers anywhere form the status line only; duplicates and case are kept.
        {"pseudo-headers anywhere",
         {{"X-First", "1"}, {":reason", "Expectation Failed"}, {"x-second", "two words"}, {":status", "417"},
          {"X-First", "again"}},
         7,
         "HTTP/1.1 417 Expectation Failed\r\nContent-Length: 7\r\nX-First: 1\r\nx-second: two words\r\n"
         "X-First: again\r\nServer: Lumo-PicoHttp\r\n\r\npayload"},
    };
    Lumo::Transport::Http::HttpDetail::ResponseHead head;  // reused: each build replaces the last
    const std::string body = "payload";
    for (const auto& row : rows) {
        Lumo::Transport::Http::HttpResponseHeaderRangeBase headers;
        for (const auto& [name, value] : row.headers) headers.Add(name, value);
        head.Build(headers, row.length, false);
        if (row.length == body.size()) head.AppendBody(boost::asio::buffer(body));
        EXPECT_EQ(Flatten(head.Buffers()), row.expected) << row.name;
    }
}

class ChunkedWriteTest : public ::testing::Test {
protected:
    // A connection whose stream records the size of every write operation.
    boost::asio::io_context io_;
    StreamTest::SocketPair countedPair_ = StreamTest::ConnectedPair(io_);
    std::shared_ptr<StreamTest::CountingStream> counting_ = std::make_shared<StreamTest::CountingStream>(
        Lumo::Asio::TimeoutBaseStream(std::move(countedPair_.server), Lumo::Asio::IOTimeouts{5s, 5s}));
    std::shared_ptr<std::vector<std::size_t>> offered_ = counting_->offered;
};

// Everything the client receives until the server side closes.
std::string ReadAllFrom(boost::asio::ip::tcp::socket& client)
{
    std::string all;
    char buffer[4096];
    boost::system::error_code ec;
    while (!ec) {
        all.append(buffer, client.read_some(boost::asio::buffer(buffer), ec));
    }
    return all;
}

TEST_F(ChunkedWriteTest, HeadChunksAndLastChunkLeaveInOneWriteOperation)
{
    Lumo::Transport::Http::HttpDetail::OutChunkedBodyStrm<StreamTest::CountingStream> body(counting_);
    const std::string headText = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";  // 47 bytes
    const std::vector<boost::asio::const_buffer> head = {boost::asio::buffer(headText.data(), 9),
                                                         boost::asio::buffer(headText.data() + 9, headText.size() - 9)};
    const std::string first = "{\"id\":1,";                     // framed: 13 bytes
    const std::string second = "\"result\":\"abcdefghijklmn\"}";  // framed: 32 bytes
    const std::string expected = headText + "8\r\n{\"id\":1,\r\n1a\r\n\"result\":\"abcdefghijklmn\"}\r\n0\r\n\r\n";
    std::vector<std::pair<boost::system::error_code, std::size_t>> results;
    std::vector<std::size_t> partsWithin;

    body.Begin(head);
    body.AddChunk(boost::asio::buffer(first));
    body.AddChunk(boost::asio::buffer(second));
    body.AddLastChunk();
    body.AsyncWrite([&](const boost::system::error_code& ec, std::size_t n) {
        results.emplace_back(ec, n);
        // A part counts as written only when all of its bytes are; the head is one part.
        for (std::size_t bytes : {0, 46, 47, 59, 60, 91, 92, 96, 97}) partsWithin.push_back(body.PartsWithin(bytes));
        // A later write without a head starts afresh: only what was added since Begin.
        body.Begin({});
        body.AddLastChunk();
        body.AsyncWrite([&](const boost::system::error_code& ec2, std::size_t n2) {
            results.emplace_back(ec2, n2);
            counting_.reset();
        });
    });
    io_.run_for(5s);

    using Result = std::pair<boost::system::error_code, std::size_t>;
    EXPECT_EQ(results, (std::vector<Result>{{{}, expected.size()}, {{}, 5}}));
    EXPECT_EQ(partsWithin, (std::vector<std::size_t>{0, 0, 1, 1, 2, 2, 3, 3, 4}));
    EXPECT_EQ(*offered_, (std::vector<std::size_t>{expected.size(), 5}));
    EXPECT_EQ(ReadAllFrom(countedPair_.client), expected + "0\r\n\r\n");
}

TEST_F(ChunkedWriteTest, ManyChunksKeepTheirFramingAcrossSeveralWriteOperations)
{
    // More chunks than one system call takes buffers, and enough to move the framing
    // storage while they are added: every length and every byte must still be in place,
    // and no operation may offer a byte again.
    Lumo::Transport::Http::HttpDetail::OutChunkedBodyStrm<StreamTest::CountingStream> body(counting_);
    const std::string bytes = StreamTest::Pattern(100 * 101 / 2);
    std::string expected;
    body.Begin({});
    for (std::size_t i = 1, at = 0; i <= 100; at += i, ++i) {
        body.AddChunk(boost::asio::buffer(bytes.data() + at, i));
        char digits[8];
        std::snprintf(digits, sizeof digits, "%zx", i);
        expected += std::string(digits) + "\r\n" + bytes.substr(at, i) + "\r\n";
    }
    body.AddLastChunk();
    expected += "0\r\n\r\n";
    std::optional<boost::system::error_code> done;
    body.AsyncWrite([&](const boost::system::error_code& ec, std::size_t) {
        done = ec;
        counting_.reset();
    });
    io_.run_for(5s);

    EXPECT_EQ(done, boost::system::error_code());
    EXPECT_EQ(body.PartCount(), 101u);
    EXPECT_EQ(ReadAllFrom(countedPair_.client), expected);
    EXPECT_GT(offered_->size(), 1u);
    EXPECT_EQ(std::accumulate(offered_->begin(), offered_->end(), std::size_t{0}), expected.size());
}

}  // namespace
