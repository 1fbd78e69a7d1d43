// Reading a head into the fixed head buffer as a transaction does: reads of any size, the
// 4096-byte limit, the bytes behind the head and the normalised header fields.
#include "transport/RequestHeadReader.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "transport/PicoHttpError.hpp"
#include "transport/TolowerAndSortHeaders.hpp"

namespace Lumo::Transport::PicoHttp {
namespace {

using Status = RequestHeadReader::Status;

// Plays a socket that delivers `stream` in reads of at most `readSize` bytes until the reader
// reaches a final status or the stream runs dry.
Status Feed(RequestHeadReader& reader, std::string_view stream, std::size_t readSize)
{
    while (!stream.empty() && reader.status() == Status::NeedMore) {
        const std::span<char> space = reader.FreeSpace();
        const std::size_t n = std::min({readSize, space.size(), stream.size()});
        std::copy_n(stream.data(), n, space.data());
        stream.remove_prefix(n);
        reader.Commit(n);
    }
    return reader.status();
}

// A valid head of exactly `size` bytes, its last field padded out.
std::string HeadOfSize(std::size_t size)
{
    const std::string start = "POST /rpc HTTP/1.1\r\nX-Pad: ";
    const std::string end = "\r\n\r\n";
    return start + std::string(size - start.size() - end.size(), 'p') + end;
}

TEST(RequestHeadReader, AcceptsAHeadThatFillsTheBufferExactly)
{
    const std::string head = HeadOfSize(HttpRequest::kHeadBufferSize);
    for (std::size_t readSize : {std::size_t{1}, std::size_t{1000}, std::size_t{4094}, std::size_t{8192}}) {
        HttpRequest request;
        RequestHeadReader reader(request);
        ASSERT_EQ(Feed(reader, head + "next bytes", readSize), Status::Complete) << readSize;
        EXPECT_EQ(reader.HeadLength(), HttpRequest::kHeadBufferSize);
        EXPECT_TRUE(reader.Surplus().empty());
        EXPECT_TRUE(reader.FreeSpace().empty());
        EXPECT_FALSE(reader.ErrorCode());
    }
}

TEST(RequestHeadReader, RefusesAHeadOneByteLongerThanTheBuffer)
{
    // The final CRLF CRLF straddles the end of the buffer: its last LF is byte 4097.
    const std::string head = HeadOfSize(HttpRequest::kHeadBufferSize + 1);
    for (std::size_t readSize : {std::size_t{1}, std::size_t{4095}, std::size_t{4096}, std::size_t{5000}}) {
        HttpRequest request;
        RequestHeadReader reader(request);
        ASSERT_EQ(Feed(reader, head, readSize), Status::TooLong) << readSize;
        EXPECT_EQ(reader.ErrorCode(), Error::http_headers_too_long);
        EXPECT_EQ(reader.ErrorCode().message(), "http headers too long");
        EXPECT_TRUE(reader.FreeSpace().empty());
        EXPECT_EQ(reader.Commit(1), Status::TooLong);
    }
}

TEST(RequestHeadReader, ReportsMalformedHeadsWithoutWaitingForTheRest)
{
    HttpRequest request;
    RequestHeadReader reader(request);
    EXPECT_EQ(Feed(reader, "GET / HTTP/1.1\r\nNo colon here\r\n", 7), Status::Malformed);
    EXPECT_EQ(reader.ErrorCode(), Error::headers_parse_error);
    EXPECT_EQ(reader.HeadLength(), 0u);
}

TEST(RequestHeadReader, KeepsTheBytesBehindTheHeadForTheBodyReader)
{
    const std::string head = "POST /rpc HTTP/1.1\r\nContent-Length: 4\r\n\r\n";
    const std::string stream = head + "bodyGET / HTTP/1.1\r\n\r\n";
    for (std::size_t readSize = 1; readSize <= stream.size(); ++readSize) {
        HttpRequest request;
        RequestHeadReader reader(request);
        ASSERT_EQ(Feed(reader, stream, readSize), Status::Complete);
        EXPECT_EQ(reader.HeadLength(), head.size());
        // Whatever the last read brought in behind the head is handed back.
        const std::size_t read = (head.size() + readSize - 1) / readSize * readSize;
        const std::string expected = stream.substr(head.size(), std::min(read, stream.size()) - head.size());
        EXPECT_EQ(std::string(reader.Surplus().begin(), reader.Surplus().end()), expected) << readSize;
    }
}

TEST(RequestHeadReader, LowerCasesAndSortsTheFieldsOfACompleteHead)
{
    HttpRequest request;
    RequestHeadReader reader(request);
    ASSERT_EQ(Feed(reader,
                   "GET / HTTP/1.1\r\nX-B: 1\r\nAccept: first\r\nCONTENT-type: t\r\naccept: second\r\n"
                   "ACCEPT: third\r\n\r\n",
                   5),
              Status::Complete);
    ASSERT_EQ(request.headerCount, 5u);
    const std::pair<std::string_view, std::string_view> expected[] = {
        {"accept", "first"}, {"accept", "second"}, {"accept", "third"}, {"content-type", "t"}, {"x-b", "1"}};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(request.headers[i].name, expected[i].first) << i;
        EXPECT_EQ(request.headers[i].value, expected[i].second) << i;
    }
    // The names were rewritten in the buffer itself, not copied.
    EXPECT_NE(std::string_view(request.headBuffer.data(), 80).find("content-type: t"), std::string_view::npos);
}

TEST(TolowerAndSortHeaders, LeavesHeadsParsedFromAnotherBufferAlone)
{
    std::string foreign = "Alpha";
    HttpRequest request;
    std::copy_n("ZETA", 4, request.headBuffer.data());
    request.headers[0] = {std::string_view(request.headBuffer.data(), 4), "1"};
    request.headers[1] = {foreign, "2"};
    request.headerCount = 2;
    EXPECT_FALSE(TolowerAndSortHeaders(request));
    EXPECT_EQ(request.headers[0].name, "ZETA");
    EXPECT_EQ(request.headers[1].name, "Alpha");
}

}  // namespace
}  // namespace Lumo::Transport::PicoHttp
