// Request reading over real loopback connections: the head and its limits, the fixed 400
// and 417 answers, body framing, the 100-continue expectation, keep-alive and pipelining.
#include <gtest/gtest.h>

#include <sstream>

#include "HttpTestSupport.hpp"

namespace {

using namespace HttpTest;

const std::string kBadRequest =
    "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\nServer: Lumo-PicoHttp\r\n\r\n";
const std::string kJsonHead = "POST / HTTP/1.1\r\nContent-Type: application/json\r\n";
const std::string kChunkedHead = kJsonHead + "Transfer-Encoding: chunked\r\n\r\n";

// A head of exactly `size` bytes: a GET whose one header is padded to fit.
std::string HeadOfSize(std::size_t size)
{
    const std::string start = "GET / HTTP/1.1\r\nX-Pad: ";
    return start + std::string(size - start.size() - 4, 'p') + "\r\n\r\n";
}

std::string Hex(std::size_t value)
{
    std::ostringstream text;
    text << std::hex << value;
    return text.str();
}

class RequestReadingTest : public ::testing::Test {
protected:
    TestServer server;
};

// Every head the reader refuses gets a fixed answer, byte for byte, and a closed connection;
// the 400 carries the reader's text for the failure behind it.
TEST_F(RequestReadingTest, RefusedHeadsGetTheFixedAnswers)
{
    const struct {
        std::string request;
        std::string answer;
    } cases[] = {
        {"GET / HTTP/1.1\r\nBad Header\r\n\r\n", kBadRequest + "headers parse error"},
        {HeadOfSize(4097), kBadRequest + "http headers too long"},
        {"POST / HTTP/1.1\r\nContent-Length: 12abc\r\n\r\n", kBadRequest + "invalid request"},
        {"POST / HTTP/1.1\r\nContent-Length: \r\n\r\n", kBadRequest + "invalid request"},
        // An overflow is an Http-category error; its value names the PicoHttp text of 2.
        {"POST / HTTP/1.1\r\nContent-Length: 99999999999999999999999\r\n\r\n", kBadRequest + "chunk parse error"},
        {Post(Call("echo"), "Expect: 100 Continue\r\n"),
         "HTTP/1.1 417 Expectation Failed\r\nConnection: close\r\nContent-Length: 0\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request.substr(0, 60));
        Client client(server.Port());
        client.Send(c.request);
        EXPECT_EQ(client.ReadToEnd(), c.answer);
    }
    EXPECT_EQ(server.Provider().calls, 0);
    EXPECT_EQ(server.Logger().Containing("Invalid Http request").size(), std::size(cases));
    EXPECT_EQ(server.Logger().Containing("Invalid Http request: Expect header value is not 100-continue").size(), 1u);
}

TEST_F(RequestReadingTest, HeadOfExactlyTheBufferSizeIsAcceptedAndAClientClosingEarlyIsLetGoQuietly)
{
    Client exact(server.Port());
    exact.Send(HeadOfSize(4096));
    // Accepted: a GET without Content-Type goes on to the API check (400 JSON, not the fixed 400).
    EXPECT_EQ(exact.ReadToEnd(), NoContentTypeAnswer(""));

    for (const std::string partial : {"POST / HT", ""}) {
        Client client(server.Port());
        client.Send(partial);
        client.ShutdownWrite();
        EXPECT_EQ(client.ReadToEnd(), "") << partial;
    }
    EXPECT_TRUE(server.Logger().Containing("Invalid Http request").empty());
}

// Each row is sent at once on one connection; every answer must contain its parts in turn.
TEST_F(RequestReadingTest, BodyFramingKeepAliveAndPipelining)
{
    const std::string deleteBody = Call("echo", R"({"m":"delete"})");
    const std::string limitFrame = Call("echo", R"({"text":""})");
    const std::string limitText(2500000 - limitFrame.size(), 'x');
    const std::string atLimit = Call("echo", R"({"text":")" + limitText + R"("})");
    ASSERT_EQ(atLimit.size(), 2500000u);
    const std::string http10Body = Call("echo", R"({"v":"1.0"})");
    const std::string http10 = "POST / HTTP/1.0\r\nContent-Type: application/json\r\nContent-Length: " +
                               std::to_string(http10Body.size()) + "\r\n\r\n" + http10Body;
    const struct {
        std::string name;
        std::string request;
        bool shutdown;
        std::vector<std::vector<std::string>> answers;
        bool closed;
    } rows[] = {
        // "010" declares 8 bytes and "0x10" 16: a whole JSON text that is no call (the decoder's
        // error, answered 200 with a length, on a live connection), and the request behind it is
        // read as the next one.
        {"octal length", kJsonHead + "Content-Length: 010\r\n\r\n" + R"({"a":12})" + Post(Call("echo", R"({"next":1})")),
         false, {{"200 OK\r\nContent-Length: ", "lumo-error: ", "Connection: Keep-Alive"}, {"next"}}, false},
        {"hex length", kJsonHead + "Content-Length: 0x10\r\n\r\n" + R"({"abcdefghij":1})" + Post(Call("echo", R"({"next":1})")),
         false, {{"200 OK", "lumo-error: "}, {"next"}}, false},
        // A GET's Content-Length is ignored: its 5 bytes start the next head. The GET is refused
        // on its headers, so "POST /x ..." is never parsed as its body.
        {"GET with length", Post(Call("echo", R"({"n":1})")) + "GET / HTTP/1.1\r\nContent-Length: 5\r\n\r\nPOST /x HTTP/1.1\r\n\r\n",
         false, {{R"("n":1)"}, {NoContentTypeAnswer("")}}, true},
        // A DELETE reads its declared body; without Content-Length its body is empty, not
        // "until end of file": the empty text fails to decode at once, on a live connection.
        {"DELETE", "DELETE /api HTTP/1.1\r\nContent-Type: application/json\r\nContent-Length: " +
                       std::to_string(deleteBody.size()) + "\r\n\r\n" + deleteBody +
                       "DELETE /api HTTP/1.1\r\nContent-Type: application/json\r\n\r\n",
         false, {{"delete"}, {"200 OK", "lumo-error: ", "Connection: Keep-Alive"}}, false},
        {"HTTP/1.0 stays open", http10 + http10, false, {{"200 OK", "1.0"}, {"200 OK", "1.0"}}, false},
        // Empty lines before a request line are skipped, also behind a body on a kept connection.
        {"empty lines before heads", "\r\n" + Post(Call("echo", R"({"n":"one"})")) + "\r\n" +
                                         Post(Call("echo", R"({"n":"two"})")) + "\n\r\n" + Post(Call("echo", R"({"n":"three"})")),
         false, {{"one", "Connection: Keep-Alive"}, {"two"}, {"three"}}, false},
        // The first answers 50 ms later from another thread; the second at once. Order holds.
        {"pipelined", Post(Call("later", R"({"n":"first"})")) + Post(Call("echo", R"({"n":"second"})")) +
                          Post(Call("echo", R"({"n":"third"})"), "Connection: Close\r\n"),
         false, {{"first", "Connection: Keep-Alive"}, {"second"}, {"third", "Connection: close"}}, true},
        // "Chunked" is not "chunked": the body runs to the end of the connection.
        {"Chunked", kJsonHead + "Transfer-Encoding: Chunked\r\n\r\n" + Call("echo", R"({"t":"to the end"})"), true,
         {{"to the end"}}, false},
        {"bad chunk size", kChunkedHead + "zz\r\n", false, {{kInvalidRequestAnswer}}, true},
        {"cut chunk", kChunkedHead + "5\r\nab", true, {{kInvalidRequestAnswer}}, true},
        {"cut body", kJsonHead + "Content-Length: 10\r\n\r\nabc", true, {{kInvalidRequestAnswer}}, true},
        {"body at the limit", Post(atLimit), false, {{"200 OK", limitText}}, false},
        {"declared one byte over", Post(atLimit + " "), false,
         {{BadRequestJson("request_exceeds_max_size", "The request exceeds the maximum size.")}}, true},
        {"chunked one byte over", kChunkedHead + Hex(atLimit.size() + 1) + "\r\n" + atLimit + " \r\n0\r\n\r\n", false,
         {{kInvalidRequestAnswer}}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Client client(server.Port());
        client.Send(row.request);
        if (row.shutdown) client.ShutdownWrite();
        for (const auto& parts : row.answers) {
            const Response answer = client.ReadResponse();
            for (const auto& part : parts)
                EXPECT_TRUE(Contains(answer.head + answer.body, part)) << part << " in " << answer.head << answer.body;
        }
        if (row.closed) {
            EXPECT_TRUE(client.ClosedByServer());
        }
    }
    for (const char* line : {"chunk parse error", "incomplete body", "Response head sent (Deserializer error): ["})
        EXPECT_FALSE(server.Logger().Containing(line).empty()) << line;
}

TEST_F(RequestReadingTest, ChunkedBodyIsDecodedAcrossReads)
{
    const std::string body = Call("echo", R"({"text":"chunked body"})");
    Client client(server.Port());
    client.Send(kChunkedHead);
    // A chunk split across socket reads, with the size line split too.
    for (const std::string& piece : {std::string("1"), "4\r\n" + body.substr(0, 10), body.substr(10, 10) + "\r\n"}) {
        client.Send(piece);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // The next request arrives in the same read as the last chunk; it must not be lost.
    client.Send(Hex(body.size() - 20) + ";ext=1\r\n" + body.substr(20) + "\r\n0\r\n\r\n" +
                Post(Call("echo", R"({"text":"behind"})")));
    const Response answer = client.ReadResponse();
    EXPECT_EQ(answer.status, 200);
    EXPECT_TRUE(Contains(answer.body, "chunked body")) << answer.body;
    EXPECT_TRUE(Contains(client.ReadResponse().body, "behind"));
}

TEST_F(RequestReadingTest, ContinueIsSentOnlyWhenTheBodyIsAboutToBeRead)
{
    const std::string body = Call("echo", R"({"text":"after continue"})");
    const struct {
        std::string framing;  // header line
        std::string sent;     // the body as sent
    } rows[] = {
        {"Content-Length: " + std::to_string(body.size()) + "\r\n", body},
        {"Transfer-Encoding: chunked\r\n", Hex(body.size()) + "\r\n" + body + "\r\n0\r\n\r\n"},
        {"", body},  // neither: the body runs to the end of the connection
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.framing);
        Client client(server.Port());
        client.Send(kJsonHead + "Expect: 100-Continue\r\n" + row.framing + "\r\n");
        // The client waits for the interim answer before it sends the body.
        EXPECT_EQ(client.ReadExactly(25), "HTTP/1.1 100 Continue\r\n\r\n");
        client.Send(row.sent);
        if (row.framing.empty()) client.ShutdownWrite();
        const Response answer = client.ReadResponse();
        EXPECT_EQ(answer.status, 200);
        EXPECT_TRUE(Contains(answer.body, "after continue"));
    }

    // Refused on its headers (no Content-Type): no interim answer, just the 400 JSON.
    Client refused(server.Port());
    refused.Send("POST / HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 10\r\n\r\n");
    EXPECT_EQ(refused.ReadToEnd(), NoContentTypeAnswer(""));
}

TEST(RequestReadingTimeoutTest, AnIdleConnectionIsClosedWhenTheReadTimeoutPasses)
{
    TestServer server(std::chrono::milliseconds(150));
    Client idle(server.Port());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(idle.ReadToEnd(), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

    // A body that stalls half way is cut off too; the attempt to answer may or may not reach
    // the client, but the connection ends and the provider is never called.
    Client stalled(server.Port());
    const auto sent = std::chrono::steady_clock::now();
    stalled.Send(kJsonHead + "Content-Length: 100\r\n\r\n{\"jsonrpc\"");
    (void)stalled.ReadToEnd();
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(3));
    EXPECT_EQ(server.Provider().calls, 0);
}

}  // namespace
