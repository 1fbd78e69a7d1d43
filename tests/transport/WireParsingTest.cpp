// The head parser, the head reader and the chunked decoder, fed whole, one byte at a time and
// split in two at every position, as successive socket reads hand them their bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "transport/HttpError.hpp"
#include "transport/PhrChunkedDecoder.hpp"
#include "transport/PhrParse.hpp"
#include "transport/PicoHttpError.hpp"
#include "transport/RequestHeadReader.hpp"
#include "transport/TolowerAndSortHeaders.hpp"

namespace Lumo::Transport::PicoHttp {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// Runs `decode(cuts)` for every way of delivering `size` bytes (pieces ending at `cuts`),
// expects each to give the same answer as the whole input and returns that answer.
template <typename Decode>
auto SameEveryFeed(std::size_t size, Decode decode)
{
    const auto whole = decode(std::vector<std::size_t>{size});
    std::vector<std::size_t> bytewise;
    for (std::size_t i = 1; i <= size; ++i) bytewise.push_back(i);
    EXPECT_EQ(decode(bytewise), whole) << "byte by byte";
    for (std::size_t split = 1; split < size; ++split) {
        EXPECT_EQ(decode(std::vector<std::size_t>{split, size}), whole) << "split at " << split;
    }
    return whole;
}

Fields FieldsOf(const HttpRequest& request)
{
    Fields fields;
    for (std::size_t i = 0; i < request.headerCount; ++i)
        fields.emplace_back(request.headers[i].name, request.headers[i].value);
    return fields;
}

// Result, method, target, minor version and fields, copied out of the buffer.
using Parsed = std::tuple<int, std::string, std::string, int, Fields>;

// Grows one buffer to each cut, passing the previous length. The bytes past the length would
// complete any head, so a parser peeking beyond it answers differently.
Parsed ParseGrowing(const std::string& text, const std::vector<std::size_t>& cuts)
{
    HttpRequest request;
    const std::string buffer = text + "\r\n\r\nX: y\r\n\r\n";
    int result = kPhrIncomplete;
    for (std::size_t i = 0; i < cuts.size() && result == kPhrIncomplete; ++i) {
        result = PhrParse(buffer.data(), cuts[i], request, i == 0 ? 0 : cuts[i - 1]);
    }
    return {result, std::string(request.method), std::string(request.path), request.minorVersion, FieldsOf(request)};
}

Parsed ParseEveryFeed(const std::string& text)
{
    SCOPED_TRACE(text);
    return SameEveryFeed(text.size(), [&](const auto& cuts) { return ParseGrowing(text, cuts); });
}

void ExpectParse(const std::string& text, int code)
{
    EXPECT_EQ(std::get<0>(ParseEveryFeed(text)), code) << text;
}

TEST(PhrParse, ValidHeadsHoweverTheyArrive)
{
    struct Row {
        std::string head, behind;
        Parsed expected;
    };
    const Row rows[] = {
        {"POST /api/rpc?x=1 HTTP/1.1\r\nHost: localhost\r\nContent-Type: application/json\r\n\r\n",
         "{\"b\":1}",
         {0, "POST", "/api/rpc?x=1", 1, {{"Host", "localhost"}, {"Content-Type", "application/json"}}}},
        {"GET /a HTTP/1.0\r\n\r\n", "GET / HTTP/1.1\r\n", {0, "GET", "/a", 0, {}}},
        {"OPTIONS * HTTP/1.1\r\nA: 1\r\nA:  v w\t \r\nB:\r\nC: \t\r\n\r\n",
         "",
         {0, "OPTIONS", "*", 1, {{"A", "1"}, {"A", "v w"}, {"B", ""}, {"C", ""}}}},
        {"M-SEARCH! /~x%20 HTTP/1.1\r\nX-Obs: caf\xc3\xa9\r\n\r\n",
         "",
         {0, "M-SEARCH!", "/~x%20", 1, {{"X-Obs", "caf\xc3\xa9"}}}},
        // Every token character in a name; obs-text, quotes and inner blanks in a value.
        {"PATCH /a?b=c&d=%41 HTTP/1.1\r\n!#$%&'*+-.^_`|~09azAZ: \t(\"x\"\t;\x80\xff y)\t\r\n\r\n",
         "",
         {0, "PATCH", "/a?b=c&d=%41", 1, {{"!#$%&'*+-.^_`|~09azAZ", "(\"x\"\t;\x80\xff y)"}}}},
    };
    for (Row row : rows) {
        std::get<0>(row.expected) = static_cast<int>(row.head.size());
        EXPECT_EQ(ParseEveryFeed(row.head + row.behind), row.expected);
    }
}

TEST(PhrParse, IncompleteAndMalformedHeads)
{
    for (const std::string text :
         {"", "G", "GET / HTTP/1.", "GET / HTTP/1.1\r\n", "GET / HTTP/1.1\r\nHost: x\r\n\r"}) {
        ExpectParse(text, kPhrIncomplete);
    }
    HttpRequest request;
    EXPECT_EQ(PhrParse(nullptr, 0, request, 0), kPhrIncomplete);

    for (const std::string line :
         {"\r\nGET / HTTP/1.1\r\n", "GET  / HTTP/1.1\r\n", " GET / HTTP/1.1\r\n", "GET /\tx HTTP/1.1\r\n",
          "GET / HTTP/1.1 \r\n", "G(T / HTTP/1.1\r\n", "GET /\x01 HTTP/1.1\r\n", "GET /\xc3\xa9 HTTP/1.1\r\n",
          "GET / HTTP/2.0\r\n", "GET / HTTP/1.2\r\n", "GET / http/1.1\r\n", "GET / HTTP/1.10\r\n",
          "GET /\r\n", "GET\r\n", "/ HTTP/1.1\r\n", "GET / HTTP/1.1\n", "GET / HTTP/1.1\r\r\n"}) {
        ExpectParse(line + "Host: x\r\n\r\n", kPhrMalformed);
    }
    for (const std::string field :
         {"Host : x\r\n", "Host\t: x\r\n", " Host: x\r\n", "\tHost: x\r\n", ": x\r\n", "Host x\r\n",
          "Ho(st: x\r\n", "Host: a\rb\r\n", "Host: x\n", "Host: a\x7fz\r\n", "Host: a\x0bz\r\n"}) {
        ExpectParse("GET / HTTP/1.1\r\nA: ok\r\n" + field + "\r\n", kPhrMalformed);
    }
    ExpectParse(std::string("GET / HTTP/1.1\r\nHost: a\0b\r\n\r\n", 29), kPhrMalformed);
    // Refused before the head ends.
    ExpectParse("GET / HTTP/1.1\r\nBad Header\r\n", kPhrMalformed);
    ExpectParse(std::string("GET / HTTP/1.1\r\nHost\0", 21), kPhrMalformed);
    ExpectParse("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", kPhrMalformed);
}

TEST(PhrParse, HasRoomForExactlySixtyFourFields)
{
    std::string head = "GET / HTTP/1.1\r\n";
    Fields fields;
    for (int i = 0; i < 64; ++i) {
        const auto& [name, value] = fields.emplace_back("X-" + std::to_string(i), std::to_string(i));
        head += name + ": " + value + "\r\n";
    }
    EXPECT_EQ(ParseEveryFeed(head + "\r\n"), (Parsed{static_cast<int>(head.size()) + 2, "GET", "/", 1, fields}));
    ExpectParse(head + "X-64: 64\r\n\r\n", kPhrMalformed);
    // The 65th field is refused as soon as it starts.
    ExpectParse(head + "X", kPhrMalformed);
}

using Status = RequestHeadReader::Status;

Status Feed(RequestHeadReader& reader, std::string_view stream, std::size_t readSize)
{
    while (!stream.empty() && reader.status() == Status::NeedMore) {
        const std::size_t n = std::min({readSize, reader.FreeSpace().size(), stream.size()});
        std::copy_n(stream.data(), n, reader.FreeSpace().data());
        stream.remove_prefix(n);
        reader.Commit(n);
    }
    return reader.status();
}

TEST(RequestHeadReader, HeadBufferLimitBytesBehindTheHeadAndMalformedHeads)
{
    // A head of exactly the buffer size fits; one byte more and its final CRLF CRLF straddles the end.
    for (std::size_t size : {HttpRequest::kHeadBufferSize, HttpRequest::kHeadBufferSize + 1}) {
        const std::string start = "POST /rpc HTTP/1.1\r\nX-Pad: ";
        const std::string head = start + std::string(size - start.size() - 4, 'p') + "\r\n\r\n";
        for (std::size_t readSize : {1, 4095, 4096, 8192}) {
            SCOPED_TRACE(std::to_string(size) + " in reads of " + std::to_string(readSize));
            HttpRequest request;
            RequestHeadReader reader(request);
            if (size == HttpRequest::kHeadBufferSize) {
                ASSERT_EQ(Feed(reader, head + "next", readSize), Status::Complete);
                EXPECT_EQ(reader.HeadLength(), size);
                EXPECT_TRUE(reader.Surplus().empty());
                EXPECT_FALSE(reader.ErrorCode());
            } else {
                ASSERT_EQ(Feed(reader, head, readSize), Status::TooLong);
                EXPECT_EQ(reader.ErrorCode(), Error::http_headers_too_long);
                EXPECT_EQ(reader.Commit(1), Status::TooLong);
            }
            EXPECT_TRUE(reader.FreeSpace().empty());
        }
    }

    const std::string head = "POST /rpc HTTP/1.1\r\nContent-Length: 4\r\n\r\n";
    const std::string stream = head + "bodyGET / HTTP/1.1\r\n\r\n";
    for (std::size_t readSize = 1; readSize <= stream.size(); ++readSize) {
        HttpRequest request;
        RequestHeadReader reader(request);
        ASSERT_EQ(Feed(reader, stream, readSize), Status::Complete);
        // Whatever the last read brought in behind the head is handed back.
        const std::size_t read = std::min((head.size() + readSize - 1) / readSize * readSize, stream.size());
        EXPECT_EQ(std::string(reader.Surplus().begin(), reader.Surplus().end()),
                  stream.substr(head.size(), read - head.size()))
            << readSize;
    }

    HttpRequest request;
    RequestHeadReader reader(request);
    EXPECT_EQ(Feed(reader, "GET / HTTP/1.1\r\nNo colon here\r\n", 7), Status::Malformed);
    EXPECT_EQ(reader.ErrorCode(), Error::headers_parse_error);

    // Empty lines before the request line are skipped however they are split; a CR that is
    // not followed by LF is not an empty line.
    const std::string get = "GET / HTTP/1.1\r\nA: b\r\n\r\n";
    for (std::size_t readSize : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{5}, std::size_t{64}}) {
        HttpRequest skipping;
        RequestHeadReader leading(skipping);
        ASSERT_EQ(Feed(leading, "\r\n\n\r\n" + get + (readSize == 64 ? "X" : ""), readSize), Status::Complete);
        EXPECT_EQ(leading.HeadLength(), get.size());
        EXPECT_EQ(std::string(skipping.method) + " " + std::string(skipping.headers[0].value), "GET b");
        EXPECT_EQ(std::string(leading.Surplus().begin(), leading.Surplus().end()), readSize == 64 ? "X" : "");
        HttpRequest bare;
        RequestHeadReader refused(bare);
        EXPECT_EQ(Feed(refused, "\r\r\n" + get, readSize), Status::Malformed) << readSize;
    }
}

TEST(TolowerAndSortHeaders, LowerCasesInPlaceAndSortsStably)
{
    HttpRequest request;
    RequestHeadReader reader(request);
    ASSERT_EQ(Feed(reader,
                   "GET / HTTP/1.1\r\nX-B: 1\r\nAccept: 1st\r\nCONTENT-type: t\r\naccept: 2nd\r\nACCEPT: "
                   "3rd\r\n\r\n",
                   5),
              Status::Complete);
    EXPECT_EQ(FieldsOf(request), (Fields{{"accept", "1st"}, {"accept", "2nd"}, {"accept", "3rd"}, {"content-type", "t"},
                                         {"x-b", "1"}}));
    EXPECT_NE(std::string_view(request.headBuffer.data(), 80).find("content-type: t"),
              std::string_view::npos);
}

using State = PhrChunkedDecoder::State;

// Final state, payload, the bytes after the body (including reads never decoded) and error.
using Outcome = std::tuple<State, std::string, std::string, boost::system::error_code>;

// Decodes each piece in a scratch buffer of its own, stopping at the first final state.
Outcome DecodePieces(const std::string& body, const std::vector<std::size_t>& cuts, std::uint64_t limit)
{
    PhrChunkedDecoder decoder(limit);
    Outcome outcome;
    auto& [state, payload, trailing, error] = outcome;
    std::size_t start = 0;
    for (std::size_t cut : cuts) {
        std::string piece = body.substr(start, cut - start);
        const auto result = decoder.Decode(piece);
        EXPECT_LE(result.payload + result.trailing, piece.size());
        payload += piece.substr(0, result.payload);
        std::tie(state, error) = std::tie(result.state, result.error);
        if (state == State::Done) trailing = piece.substr(piece.size() - result.trailing) + body.substr(cut);
        if (state != State::NeedMore) break;
        start = cut;
    }
    EXPECT_EQ(decoder.PayloadTotal(), payload.size());
    return outcome;
}

TEST(PhrChunkedDecoder, BodiesHoweverTheyArrive)
{
    const auto done = [](std::string payload, std::string trailing = "") {
        return Outcome{State::Done, payload, trailing, {}};
    };
    const auto bad = [](std::string before = "") {
        return Outcome{State::Failed, before, "", Error::make_error_code(Error::chunk_parse_error)};
    };
    const auto tooLong = [](std::string before = "") {
        return Outcome{State::Failed, before, "",
                       Http::Error::make_error_code(Http::Error::message_too_long)};
    };
    std::string trailers = "0\r\n";
    while (trailers.size() < PhrChunkedDecoder::kMaxTrailerBytes)
        trailers += "X-Trailer: padding padding\r\n";
    struct Row {
        std::string body;
        Outcome expected;
        std::uint64_t limit = 2'500'000;
    };
    std::vector<Row> rows = {
        {"5\r\nhello\r\n0\r\n\r\n", done("hello")},
        {"0\r\n\r\n", done("")},
        {"3\r\nabc\r\na\r\n0123456789\r\nB\r\nABCDEFGHIJK\r\n000\r\n\r\n", done("abc0123456789ABCDEFGHIJK")},
        {"7\r\n\r\n0\r\n\r\n\r\n0\r\n\r\n", done("\r\n0\r\n\r\n")},  // framing bytes inside data are payload
        {"0000000000000002\r\nok\r\n0\r\n\r\n", done("ok")},
        {"00000000000000002\r\nok\r\n0\r\n\r\n", bad()},  // seventeen digits
        {"5;name=value\r\nhello\r\n0 ; last ;q=\"a b\"\r\n\r\n", done("hello")},
        {"2\t;x\r\nhi\r\n0\r\nDigest: abc\r\nX-Empty:\r\n\r\n", done("hi")},
        {"1;" + std::string(1022, 'e') + "\r\nz\r\n0\r\n\r\n", done("z")},
        {"1;" + std::string(1023, 'e') + "\r\nz\r\n0\r\n\r\n", bad()},
        {trailers + "\r\n", bad()},
        // What follows the body is the next pipelined request.
        {"4\r\nbody\r\n0\r\n\r\nPOST /next HTTP/1.1\r\n\r\n", done("body", "POST /next HTTP/1.1\r\n\r\n")},
        {"0\r\nT: 1\r\n\r\n5\r\n", done("", "5\r\n")},
        {"5\r\nhelloX\r\n0\r\n\r\n", bad("hello")},
        {"5\r\nhello\n0\r\n\r\n", bad("hello")},
        // Each chunk size is checked against what is left of the allowance.
        {"6\r\nabcdef\r\n4\r\nghij\r\n0\r\n\r\n", done("abcdefghij"), 10},
        {"b\r\n", tooLong(), 10},
        {"6\r\nabcdef\r\n5\r\nghijk\r\n0\r\n\r\n", tooLong("abcdef"), 10},
        {"1\r\nx\r\nFFFFFFFFFFFFFFFF\r\n", tooLong("x"), 10},  // would wrap a total added before the check
        {"FFFFFFFFFFFFFFFF\r\n", tooLong()},
    };
    for (const std::string body :
         {"\r\nhello\r\n0\r\n\r\n", "g\r\n", "-5\r\nhello\r\n", "0x5\r\nhello\r\n", "5\nhello\r\n0\r\n\r\n",
          "5\rhello\r\n", "5 \r\nhello\r\n", "5 x\r\nhello\r\n", "5;a\x01\r\nhello\r\n",
          "0\r\n Folded: x\r\n\r\n", "0\r\nNo colon\r\n\r\n", "0\r\nT: 1\n\r\n", "0\r\n\rX"}) {
        rows.push_back({body, bad()});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.body);
        EXPECT_EQ(SameEveryFeed(row.body.size(),
                                [&](const auto& cuts) { return DecodePieces(row.body, cuts, row.limit); }),
                  row.expected);
    }
}

TEST(PhrChunkedDecoder, StaysInItsFinalState)
{
    PhrChunkedDecoder done(100);
    std::string body = "1\r\nx\r\n0\r\n\r\n", more = "GET";
    ASSERT_EQ(done.Decode(body).state, State::Done);
    const auto after = done.Decode(more);
    EXPECT_EQ(std::make_pair(after.payload, after.trailing), std::make_pair(std::size_t{0}, std::size_t{3}));

    PhrChunkedDecoder failed(100);
    std::string junk = "z";
    ASSERT_EQ(failed.Decode(junk).state, State::Failed);
    EXPECT_EQ(failed.Decode(body).error, Error::chunk_parse_error);
}

}  // namespace
}  // namespace Lumo::Transport::PicoHttp
