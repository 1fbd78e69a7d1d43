// The chunked decoder on whole bodies, byte by byte and split in two at every position, the
// way a body stream hands it the bytes of successive reads.
#include "transport/PhrChunkedDecoder.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transport/HttpError.hpp"
#include "transport/PicoHttpError.hpp"

namespace Lumo::Transport::PicoHttp {
namespace {

using State = PhrChunkedDecoder::State;

constexpr std::uint64_t kBodyLimit = 2'500'000;

struct Outcome {
    State state = State::NeedMore;
    std::string payload;
    std::string trailing;  // bytes after the body, including reads that were never decoded
    boost::system::error_code error;

    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o)
{
    return os << "{state " << static_cast<int>(o.state) << ", payload '" << o.payload << "', trailing '"
              << o.trailing << "', " << o.error.message() << "}";
}

// Hands the decoder the pieces of `body` ending at `cuts`, each in a scratch buffer of its
// own, and stops at the first final state.
Outcome DecodePieces(const std::string& body, const std::vector<std::size_t>& cuts, std::uint64_t limit)
{
    PhrChunkedDecoder decoder(limit);
    Outcome outcome;
    std::size_t start = 0;
    for (std::size_t cut : cuts) {
        std::string piece = body.substr(start, cut - start);
        const auto result = decoder.Decode(piece);
        EXPECT_LE(result.payload + result.trailing, piece.size());
        outcome.payload += piece.substr(0, result.payload);
        outcome.state = result.state;
        outcome.error = result.error;
        if (result.state == State::Done) {
            outcome.trailing = piece.substr(piece.size() - result.trailing) + body.substr(cut);
        }
        if (result.state != State::NeedMore) break;
        start = cut;
    }
    EXPECT_EQ(decoder.PayloadTotal(), outcome.payload.size());
    return outcome;
}

Outcome DecodeWhole(const std::string& body, std::uint64_t limit = kBodyLimit)
{
    return DecodePieces(body, {body.size()}, limit);
}

// The whole body must decode to `expected`, and so must every way of feeding it. A failure
// may come earlier in a split feed, but with the same error.
void ExpectDecodesTheSameEverySplit(const std::string& body, const Outcome& expected, std::uint64_t limit = kBodyLimit)
{
    const Outcome whole = DecodeWhole(body, limit);
    ASSERT_EQ(whole, expected) << body;

    std::vector<std::size_t> bytewise;
    for (std::size_t i = 1; i <= body.size(); ++i) bytewise.push_back(i);
    EXPECT_EQ(DecodePieces(body, bytewise, limit), whole) << "byte by byte: " << body;
    for (std::size_t split = 1; split < body.size(); ++split) {
        EXPECT_EQ(DecodePieces(body, {split, body.size()}, limit), whole) << "split at " << split << ": " << body;
    }
}

Outcome Done(std::string payload, std::string trailing = "")
{
    return {State::Done, std::move(payload), std::move(trailing), {}};
}

Outcome ParseError(std::string payloadBefore = "")
{
    return {State::Failed, std::move(payloadBefore), "", Error::make_error_code(Error::chunk_parse_error)};
}

Outcome TooLong(std::string payloadBefore = "")
{
    return {State::Failed, std::move(payloadBefore), "", Http::Error::make_error_code(Http::Error::message_too_long)};
}

TEST(PhrChunkedDecoder, DecodesValidBodiesHoweverTheyArrive)
{
    ExpectDecodesTheSameEverySplit("5\r\nhello\r\n0\r\n\r\n", Done("hello"));
    ExpectDecodesTheSameEverySplit("0\r\n\r\n", Done(""));
    ExpectDecodesTheSameEverySplit("3\r\nabc\r\na\r\n0123456789\r\nB\r\nABCDEFGHIJK\r\n000\r\n\r\n",
                                   Done("abc0123456789ABCDEFGHIJK"));
    // Chunk data is opaque: framing bytes inside it are payload.
    ExpectDecodesTheSameEverySplit("7\r\n\r\n0\r\n\r\n\r\n0\r\n\r\n", Done("\r\n0\r\n\r\n"));
    // Sixteen digits, leading zeros included, are allowed.
    ExpectDecodesTheSameEverySplit("0000000000000002\r\nok\r\n0\r\n\r\n", Done("ok"));
}

TEST(PhrChunkedDecoder, IgnoresExtensionsAndSkipsTrailers)
{
    ExpectDecodesTheSameEverySplit("5;name=value\r\nhello\r\n0 ; last ;q=\"a b\"\r\n\r\n", Done("hello"));
    ExpectDecodesTheSameEverySplit("2\t;x\r\nhi\r\n0\r\nDigest: abc\r\nX-Empty:\r\n\r\n", Done("hi"));
    ExpectDecodesTheSameEverySplit("1;" + std::string(1022, 'e') + "\r\nz\r\n0\r\n\r\n", Done("z"));
}

TEST(PhrChunkedDecoder, LeavesTheNextPipelinedRequestAtTheEndOfTheBuffer)
{
    ExpectDecodesTheSameEverySplit("4\r\nbody\r\n0\r\n\r\nPOST /next HTTP/1.1\r\n\r\n",
                                   Done("body", "POST /next HTTP/1.1\r\n\r\n"));
    ExpectDecodesTheSameEverySplit("0\r\nT: 1\r\n\r\n5\r\n", Done("", "5\r\n"));
}

TEST(PhrChunkedDecoder, RefusesBrokenFraming)
{
    ExpectDecodesTheSameEverySplit("\r\nhello\r\n0\r\n\r\n", ParseError());          // no size
    ExpectDecodesTheSameEverySplit("g\r\n", ParseError());                           // not hex
    ExpectDecodesTheSameEverySplit("-5\r\nhello\r\n", ParseError());
    ExpectDecodesTheSameEverySplit("0x5\r\nhello\r\n", ParseError());
    ExpectDecodesTheSameEverySplit("5\nhello\r\n0\r\n\r\n", ParseError());          // bare LF
    ExpectDecodesTheSameEverySplit("5\rhello\r\n", ParseError());                    // CR without LF
    ExpectDecodesTheSameEverySplit("5 \r\nhello\r\n", ParseError());                 // blank, no extension
    ExpectDecodesTheSameEverySplit("5 x\r\nhello\r\n", ParseError());
    ExpectDecodesTheSameEverySplit("5;a\x01\r\nhello\r\n", ParseError());            // control byte
    ExpectDecodesTheSameEverySplit("5\r\nhelloX\r\n0\r\n\r\n", ParseError("hello"));  // data too long
    ExpectDecodesTheSameEverySplit("5\r\nhello\n0\r\n\r\n", ParseError("hello"));
    ExpectDecodesTheSameEverySplit("0\r\n Folded: x\r\n\r\n", ParseError());
    ExpectDecodesTheSameEverySplit("0\r\nNo colon\r\n\r\n", ParseError());
    ExpectDecodesTheSameEverySplit("0\r\nT: 1\n\r\n", ParseError());
    ExpectDecodesTheSameEverySplit("0\r\n\rX", ParseError());
}

TEST(PhrChunkedDecoder, BoundsSizeDigitsChunkLinesAndTrailers)
{
    ExpectDecodesTheSameEverySplit("00000000000000002\r\nok\r\n0\r\n\r\n", ParseError());
    ExpectDecodesTheSameEverySplit("1;" + std::string(1023, 'e') + "\r\nz\r\n0\r\n\r\n", ParseError());
    std::string trailers = "0\r\n";
    while (trailers.size() < PhrChunkedDecoder::kMaxTrailerBytes) trailers += "X-Trailer: padding padding\r\n";
    ExpectDecodesTheSameEverySplit(trailers + "\r\n", ParseError());
}

TEST(PhrChunkedDecoder, ChecksEachChunkSizeAgainstWhatIsLeftOfTheAllowance)
{
    ExpectDecodesTheSameEverySplit("a\r\n0123456789\r\n0\r\n\r\n", Done("0123456789"), 10);
    ExpectDecodesTheSameEverySplit("b\r\n", TooLong(), 10);
    ExpectDecodesTheSameEverySplit("6\r\nabcdef\r\n5\r\nghijk\r\n0\r\n\r\n", TooLong("abcdef"), 10);
    // A size near 2^64 would wrap a total that is added before it is checked.
    ExpectDecodesTheSameEverySplit("1\r\nx\r\nFFFFFFFFFFFFFFFF\r\n", TooLong("x"), 10);
    ExpectDecodesTheSameEverySplit("FFFFFFFFFFFFFFFF\r\n", TooLong());
}

TEST(PhrChunkedDecoder, AcceptsABodyOfExactlyTheLimitAndNoMore)
{
    const auto body = [](std::size_t size) {
        std::string framed;
        for (std::size_t left = size; left > 0;) {
            const std::size_t n = std::min<std::size_t>(left, 65536);
            char line[32];
            framed += std::string(line, std::snprintf(line, sizeof line, "%zx\r\n", n));
            framed += std::string(n, static_cast<char>('a' + left % 26)) + "\r\n";
            left -= n;
        }
        return framed + "0\r\n\r\n";
    };
    const Outcome atLimit = DecodeWhole(body(kBodyLimit));
    EXPECT_EQ(atLimit.state, State::Done);
    EXPECT_EQ(atLimit.payload.size(), kBodyLimit);

    const Outcome overLimit = DecodeWhole(body(kBodyLimit + 1));
    EXPECT_EQ(overLimit.error, Http::Error::message_too_long);
    EXPECT_EQ(overLimit.payload.size(), kBodyLimit - kBodyLimit % 65536);
}

TEST(PhrChunkedDecoder, StaysInItsFinalState)
{
    PhrChunkedDecoder done(kBodyLimit);
    std::string body = "1\r\nx\r\n0\r\n\r\n";
    ASSERT_EQ(done.Decode(body).state, State::Done);
    std::string more = "GET";
    const auto after = done.Decode(more);
    EXPECT_EQ(after.state, State::Done);
    EXPECT_EQ(after.payload, 0u);
    EXPECT_EQ(after.trailing, 3u);

    PhrChunkedDecoder failed(kBodyLimit);
    std::string bad = "z";
    ASSERT_EQ(failed.Decode(bad).state, State::Failed);
    std::string good = "1\r\nx\r\n0\r\n\r\n";
    EXPECT_EQ(failed.Decode(good).error, Error::chunk_parse_error);
}

TEST(PhrChunkedDecoder, HandsOutPayloadBeforeTheChunkEnds)
{
    PhrChunkedDecoder decoder(kBodyLimit);
    std::string first = "a\r\n01234";
    const auto r1 = decoder.Decode(first);
    EXPECT_EQ(r1.state, State::NeedMore);
    EXPECT_EQ(first.substr(0, r1.payload), "01234");
    std::string second = "56789\r\n0\r\n";
    const auto r2 = decoder.Decode(second);
    EXPECT_EQ(r2.state, State::NeedMore);
    EXPECT_EQ(second.substr(0, r2.payload), "56789");
}

}  // namespace
}  // namespace Lumo::Transport::PicoHttp
