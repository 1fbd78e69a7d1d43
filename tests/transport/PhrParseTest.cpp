// The head parser on whole input, on input growing one byte at a time, and on input split in
// two at every position, as a transaction feeds it.
#include "transport/PhrParse.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace Lumo::Transport::PicoHttp {
namespace {

// What a parse produced, copied out of the buffer so that results of different buffers compare.
struct Parsed {
    int result = 0;
    std::string method;
    std::string path;
    int minorVersion = -1;
    std::vector<std::pair<std::string, std::string>> headers;

    bool operator==(const Parsed&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Parsed& p)
{
    os << "{" << p.result << " '" << p.method << "' '" << p.path << "' 1." << p.minorVersion;
    for (const auto& [name, value] : p.headers) os << " [" << name << ": " << value << "]";
    return os << "}";
}

Parsed Collect(int result, const HttpRequest& request)
{
    Parsed p{result, std::string(request.method), std::string(request.path), request.minorVersion, {}};
    for (std::size_t i = 0; i < request.headerCount; ++i) {
        p.headers.emplace_back(request.headers[i].name, request.headers[i].value);
    }
    return p;
}

// Bytes past `length` that would complete any head: a parser peeking beyond its length
// would answer differently.
const std::string kBait = "\r\n\r\nX: y\r\n\r\n";

Parsed ParseWhole(const std::string& text)
{
    HttpRequest request;
    const std::string buffer = text + kBait;
    return Collect(PhrParse(buffer.data(), text.size(), request, 0), request);
}

// Feeds the text in pieces ending at `cuts` (ascending, the last one text.size()) into one
// growing buffer, passing the previous length, and stops at the first final answer.
Parsed ParseGrowing(const std::string& text, const std::vector<std::size_t>& cuts)
{
    HttpRequest request;
    std::string buffer = text + kBait;
    std::size_t previous = 0;
    int result = kPhrIncomplete;
    for (std::size_t cut : cuts) {
        result = PhrParse(buffer.data(), cut, request, previous);
        if (result != kPhrIncomplete) break;
        previous = cut;
    }
    return Collect(result, request);
}

// Checks the whole parse against `expected`, then every way of feeding it.
void ExpectParsesTheSameEverySplit(const std::string& text, int expected)
{
    const Parsed whole = ParseWhole(text);
    ASSERT_EQ(whole.result, expected) << "whole: " << text;

    std::vector<std::size_t> bytewise;
    for (std::size_t i = 1; i <= text.size(); ++i) bytewise.push_back(i);
    EXPECT_EQ(ParseGrowing(text, bytewise), whole) << "byte by byte: " << text;

    for (std::size_t split = 1; split < text.size(); ++split) {
        EXPECT_EQ(ParseGrowing(text, {split, text.size()}), whole) << "split at " << split << ": " << text;
    }
}

TEST(PhrParse, ParsesRequestLineAndFieldsWithViewsIntoTheBuffer)
{
    const std::string head = "POST /api/rpc?x=1 HTTP/1.1\r\nHost: localhost\r\nContent-Type: application/json\r\n\r\n";
    const std::string buffer = head + "{\"body\":1}";
    HttpRequest request;

    ASSERT_EQ(PhrParse(buffer.data(), buffer.size(), request, 0), static_cast<int>(head.size()));
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/api/rpc?x=1");
    EXPECT_EQ(request.minorVersion, 1);
    ASSERT_EQ(request.headerCount, 2u);
    EXPECT_EQ(request.headers[1].name, "Content-Type");
    EXPECT_EQ(request.headers[1].value, "application/json");
    EXPECT_EQ(request.method.data(), buffer.data());
    EXPECT_EQ(request.headers[0].value.data(), buffer.data() + head.find("localhost"));
}

TEST(PhrParse, ValidHeadsGiveTheSameResultHoweverTheyArrive)
{
    const std::vector<std::string> heads = {
        "GET / HTTP/1.1\r\nHost: x\r\n\r\n",
        "GET /a HTTP/1.0\r\n\r\n",
        "OPTIONS * HTTP/1.1\r\nA: 1\r\nA: 2\r\nB:\r\nC: \t spaced  value \t\r\n\r\n",
        "M-SEARCH! /~x%20 HTTP/1.1\r\nX-Obs: caf\xc3\xa9\r\n\r\n",
    };
    for (const auto& head : heads) {
        ExpectParsesTheSameEverySplit(head, static_cast<int>(head.size()));
        // Bytes behind the head belong to the body or the next request.
        ExpectParsesTheSameEverySplit(head + "GET / HTTP/1.1\r\n", static_cast<int>(head.size()));
    }
}

TEST(PhrParse, TrimsOptionalWhitespaceAroundValues)
{
    const Parsed p = ParseWhole("GET / HTTP/1.0\r\nA:  v w\t \r\nB:\r\nC: \t\r\n\r\n");
    ASSERT_GT(p.result, 0);
    EXPECT_EQ(p.minorVersion, 0);
    const decltype(p.headers) expected = {{"A", "v w"}, {"B", ""}, {"C", ""}};
    EXPECT_EQ(p.headers, expected);
}

TEST(PhrParse, UnfinishedHeadsNeedMore)
{
    for (const std::string text : {"", "G", "GET / HTTP/1.", "GET / HTTP/1.1\r", "GET / HTTP/1.1\r\n",
                                   "GET / HTTP/1.1\r\nHost: x\r\n", "GET / HTTP/1.1\r\nHost: x\r\n\r"}) {
        ExpectParsesTheSameEverySplit(text, kPhrIncomplete);
    }
    HttpRequest request;
    EXPECT_EQ(PhrParse(nullptr, 0, request, 0), kPhrIncomplete);
}

TEST(PhrParse, RefusesMalformedRequestLines)
{
    for (const std::string line : {
             "\r\nGET / HTTP/1.1\r\n",      // empty line before the request line
             "GET  / HTTP/1.1\r\n",         // two blanks
             " GET / HTTP/1.1\r\n",         // leading blank
             "GET /\tx HTTP/1.1\r\n",       // tab in the target
             "GET / HTTP/1.1 \r\n",         // trailing blank
             "G(T / HTTP/1.1\r\n",          // separator in the method
             "GET /\x01 HTTP/1.1\r\n",      // control byte in the target
             "GET /\xc3\xa9 HTTP/1.1\r\n",  // non-ASCII target
             "GET / HTTP/2.0\r\n", "GET / HTTP/1.2\r\n", "GET / http/1.1\r\n", "GET / HTTP/1.10\r\n",
             "GET /\r\n", "GET\r\n", "/ HTTP/1.1\r\n",
             "GET / HTTP/1.1\n",            // bare LF
             "GET / HTTP/1.1\r\r\n",        // CR not followed by LF
         }) {
        ExpectParsesTheSameEverySplit(line + "Host: x\r\n\r\n", kPhrMalformed);
    }
}

TEST(PhrParse, RefusesMalformedFieldLines)
{
    for (const std::string& field : std::vector<std::string>{
             "Host : x\r\n",            // blank before the colon
             "Host\t: x\r\n",
             " Host: x\r\n",            // folded line
             "\tHost: x\r\n",
             ": x\r\n",                 // empty name
             "Host x\r\n",              // no colon
             "Ho(st: x\r\n",            // separator in the name
             "Host: a\rb\r\n",          // CR not followed by LF
             "Host: x\n",               // bare LF
             std::string("Host: a\0b\r\n", 11),
             "Host: a\x7f" "b\r\n",     // DEL
             "Host: a\x0b" "b\r\n",     // vertical tab
         }) {
        ExpectParsesTheSameEverySplit("GET / HTTP/1.1\r\nA: ok\r\n" + field + "\r\n", kPhrMalformed);
    }
}

TEST(PhrParse, RefusesWhatCannotBecomeAHeadBeforeTheHeadEnds)
{
    ExpectParsesTheSameEverySplit("GET / HTTP/1.1\r\nBad Header\r\n", kPhrMalformed);
    ExpectParsesTheSameEverySplit(std::string("GET / HTTP/1.1\r\nHost\0", 21), kPhrMalformed);
    ExpectParsesTheSameEverySplit("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", kPhrMalformed);
}

std::string HeadWithFields(int count)
{
    std::string head = "GET / HTTP/1.1\r\n";
    for (int i = 0; i < count; ++i) head += "X-" + std::to_string(i) + ": " + std::to_string(i) + "\r\n";
    return head + "\r\n";
}

TEST(PhrParse, HasRoomForExactlySixtyFourFields)
{
    const std::string full = HeadWithFields(64);
    ExpectParsesTheSameEverySplit(full, static_cast<int>(full.size()));
    const Parsed p = ParseWhole(full);
    ASSERT_EQ(p.headers.size(), 64u);
    EXPECT_EQ(p.headers[63], std::make_pair(std::string("X-63"), std::string("63")));

    const std::string tooMany = HeadWithFields(65);
    ExpectParsesTheSameEverySplit(tooMany, kPhrMalformed);
    // The 65th field is refused as soon as it starts, before the head ends.
    ExpectParsesTheSameEverySplit(tooMany.substr(0, tooMany.size() - 2), kPhrMalformed);
    ExpectParsesTheSameEverySplit(full.substr(0, full.size() - 2) + "X", kPhrMalformed);
}

TEST(PhrParse, ClearsTheRequestWhenTheHeadIsNotComplete)
{
    HttpRequest request;
    const std::string good = "GET / HTTP/1.1\r\nA: 1\r\n\r\n";
    ASSERT_GT(PhrParse(good.data(), good.size(), request, 0), 0);

    const std::string bad = "GET / HTTP/1.1\r\nA: 1\r\nB 2\r\n\r\n";
    ASSERT_EQ(PhrParse(bad.data(), bad.size(), request, 0), kPhrMalformed);
    EXPECT_TRUE(request.method.empty());
    EXPECT_EQ(request.headerCount, 0u);
    EXPECT_TRUE(request.headers[0].name.empty());
}

}  // namespace
}  // namespace Lumo::Transport::PicoHttp
