// Request reading over real loopback connections: the head and its limits, the fixed 400
// and 417 answers, body framing, the 100-continue expectation, keep-alive and pipelining.
#include <gtest/gtest.h>

#include <string>

#include "HttpTestSupport.hpp"

namespace {

using namespace HttpTest;

const std::string kBadRequest =
    "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\nServer: Lumo-PicoHttp\r\n\r\n";
const std::string kExpectationFailed =
    "HTTP/1.1 417 Expectation Failed\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";

// A head of exactly `size` bytes: a GET whose one header is padded to fit.
std::string HeadOfSize(std::size_t size)
{
    const std::string start = "GET / HTTP/1.1\r\nX-Pad: ";
    const std::string end = "\r\n\r\n";
    return start + std::string(size - start.size() - end.size(), 'p') + end;
}

class RequestReadingTest : public ::testing::Test {
protected:
    TestServer server;
};

// Every head the reader refuses gets the literal 400, the reader's text for the failure
// behind it, and a closed connection.
TEST_F(RequestReadingTest, RefusedHeadsGetTheFixedBadRequestWithTheFailureText)
{
    const struct {
        std::string request;
        std::string text;
    } cases[] = {
        {"GET / HTTP/1.1\r\nBad Header\r\n\r\n", "headers parse error"},
        {"GET / HTTP/1.1\nHost: x\n\n", "headers parse error"},
        {HeadOfSize(4097), "http headers too long"},
        {"POST / HTTP/1.1\r\nContent-Length: 12abc\r\n\r\n", "invalid request"},
        {"POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", "invalid request"},
        {"POST / HTTP/1.1\r\nContent-Length: \r\n\r\n", "invalid request"},
        // An overflow is an Http-category error; its value names the PicoHttp text of 2.
        {"POST / HTTP/1.1\r\nContent-Length: 99999999999999999999999\r\n\r\n", "chunk parse error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request.substr(0, 60));
        Client client(server.Port());
        client.Send(c.request);
        EXPECT_EQ(client.ReadToEnd(), kBadRequest + c.text);
    }
    EXPECT_EQ(server.Provider().Calls(), 0);
    EXPECT_FALSE(server.Logger().Containing("Invalid Http request").empty());
}

TEST_F(RequestReadingTest, HeadOfExactlyTheBufferSizeIsAcceptedOneByteMoreIsNot)
{
    Client exact(server.Port());
    exact.Send(HeadOfSize(4096));
    // Accepted: a GET without Content-Type goes on to the API check (400 JSON, not the fixed 400).
    const Response answer = exact.ReadResponse();
    EXPECT_EQ(answer.status, 400);
    EXPECT_EQ(answer.Header("Content-Type"), "text/plain");

    Client tooLong(server.Port());
    tooLong.Send(HeadOfSize(4097));
    EXPECT_EQ(tooLong.ReadToEnd(), kBadRequest + "http headers too long");
}

TEST_F(RequestReadingTest, ClientClosingBeforeAHeadIsClosedQuietly)
{
    {
        Client client(server.Port());
        client.Send("POST / HT");
        client.ShutdownWrite();
        EXPECT_EQ(client.ReadToEnd(), "");
    }
    {
        Client client(server.Port());
        client.ShutdownWrite();
        EXPECT_EQ(client.ReadToEnd(), "");
    }
    EXPECT_TRUE(server.Logger().Containing("Invalid Http request").empty());
}

TEST_F(RequestReadingTest, ContentLengthIsReadWithAutomaticBase)
{
    // "010" declares 8 bytes and "0x10" 16: exactly that many belong to the body, and the
    // request behind them is read as the next one on the connection.
    const struct {
        std::string value;
        std::string body;
    } cases[] = {{"010", R"({"a":12})"}, {"0x10", R"({"abcdefghij":1})"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Client client(server.Port());
        client.Send("POST / HTTP/1.1\r\nContent-Type: application/json\r\nContent-Length: " + c.value +
                    "\r\n\r\n" + c.body + Post(Call("echo", R"({"next":true})")));
        const Response first = client.ReadResponse();
        // Whole JSON, but no JSON-RPC request: the decoder's error, answered 200 with Content-Length.
        EXPECT_EQ(first.status, 200);
        EXPECT_TRUE(first.Header("lumo-error").has_value());
        EXPECT_EQ(first.Header("Content-Length"), std::to_string(first.body.size()));
        EXPECT_EQ(first.body.find("Malformed"), std::string::npos) << first.body;
        EXPECT_NE(client.ReadResponse().body.find("next"), std::string::npos);
    }
}

TEST_F(RequestReadingTest, BodilessMethodsIgnoreContentLengthAndItsBytesStartTheNextHead)
{
    Client client(server.Port());
    const std::string second = Post(Call("echo", R"({"n":2})"), "Connection: close\r\n");
    // The 5 bytes "POST " after the GET's head are the start of the next request.
    client.Send("GET / HTTP/1.1\r\nContent-Length: 5\r\n\r\n" + second);
    const Response first = client.ReadResponse();
    EXPECT_EQ(first.status, 400);  // a GET carries no application/json body
    // The 400 JSON closes the connection, so the pipelined POST is never read.
    EXPECT_TRUE(client.ClosedByServer());

    // With a valid API request first, the GET's declared bytes must not be swallowed either.
    Client pipelined(server.Port());
    pipelined.Send(Post(Call("echo", R"({"n":1})")) + "GET / HTTP/1.1\r\nContent-Length: 5\r\n\r\n" +
                   "POST /x HTTP/1.1\r\n\r\n");
    EXPECT_NE(pipelined.ReadResponse().body.find(R"("n":1)"), std::string::npos);
    // The GET is refused on its headers (no Content-Type), and "POST /x ..." is never parsed
    // as its body: the only answer is the 400 JSON for the GET.
    const Response get = pipelined.ReadResponse();
    EXPECT_EQ(get.status, 400);
    EXPECT_TRUE(pipelined.ClosedByServer());
}

TEST_F(RequestReadingTest, DeleteReadsItsDeclaredBodyAndWithoutOneHasNone)
{
    Client client(server.Port());
    const std::string body = Call("echo", R"({"m":"delete"})");
    client.Send("DELETE /api HTTP/1.1\r\nContent-Type: application/json\r\nContent-Length: " +
                std::to_string(body.size()) + "\r\n\r\n" + body);
    EXPECT_NE(client.ReadResponse().body.find("delete"), std::string::npos);

    // Without Content-Length the DELETE's body is empty (not "until end of file"): the
    // empty text fails to decode and the answer comes at once, on a live connection.
    client.Send("DELETE /api HTTP/1.1\r\nContent-Type: application/json\r\n\r\n");
    const Response empty = client.ReadResponse();
    EXPECT_EQ(empty.status, 200);
    EXPECT_TRUE(empty.Header("lumo-error").has_value());
    EXPECT_EQ(empty.Header("Connection"), "Keep-Alive");
}

TEST_F(RequestReadingTest, ChunkedBodiesAreDecodedAcrossReadsAndOnlyExactCaseCounts)
{
    const std::string body = Call("echo", R"({"text":"chunked body"})");
    const std::string half1 = body.substr(0, 20);
    const std::string half2 = body.substr(20);
    Client client(server.Port());
    client.Send("POST / HTTP/1.1\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n");
    // A chunk split across two socket reads, with the size line split too.
    client.Send("1");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    client.Send("4\r\n" + half1.substr(0, 10));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    client.Send(half1.substr(10) + "\r\n");
    std::ostringstream size;
    size << std::hex << half2.size();
    // The next request arrives in the same read as the last chunk; it must not be lost.
    client.Send(size.str() + ";ext=1\r\n" + half2 + "\r\n0\r\n\r\n" +
                Post(Call("echo", R"({"text":"behind"})")));
    const Response answer = client.ReadResponse();
    EXPECT_EQ(answer.status, 200);
    EXPECT_NE(answer.body.find("chunked body"), std::string::npos);
    EXPECT_NE(client.ReadResponse().body.find("behind"), std::string::npos);

    // "Chunked" is not "chunked": the body is taken as running to the end of the connection.
    Client capital(server.Port());
    capital.Send("POST / HTTP/1.1\r\nContent-Type: application/json\r\nTransfer-Encoding: Chunked\r\n\r\n" +
                 body);
    capital.ShutdownWrite();
    EXPECT_NE(capital.ReadResponse().body.find("chunked body"), std::string::npos);
}

TEST_F(RequestReadingTest, BrokenOrTruncatedBodiesGetTheJsonBadRequest)
{
    const struct {
        std::string request;
        bool shutdown;
    } cases[] = {
        {"POST / HTTP/1.1\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
         false},
        {"POST / HTTP/1.1\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab",
         true},
        {"POST / HTTP/1.1\r\nContent-Type: application/json\r\nContent-Length: 10\r\n\r\nabc", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        Client client(server.Port());
        client.Send(c.request);
        if (c.shutdown) {
            client.ShutdownWrite();
        }
        const Response answer = client.ReadResponse();
        EXPECT_EQ(answer.status, 400);
        EXPECT_EQ(answer.Header("Connection"), "close");
        EXPECT_NE(answer.body.find("invalid_request"), std::string::npos);
        EXPECT_TRUE(client.ClosedByServer());
    }
    EXPECT_EQ(server.Logger().Containing("RequestReadCb: ").size(), 3u);
    EXPECT_FALSE(server.Logger().Containing("chunk parse error").empty());
    EXPECT_FALSE(server.Logger().Containing("incomplete body").empty());
}

TEST_F(RequestReadingTest, ContinueIsSentOnlyWhenTheBodyIsAboutToBeRead)
{
    const std::string body = Call("echo", R"({"text":"after continue"})");
    Client client(server.Port());
    client.Send(
        "POST / HTTP/1.1\r\nContent-Type: application/json\r\nExpect: 100-Continue\r\nContent-Length: " +
        std::to_string(body.size()) + "\r\n\r\n");
    // The client waits for the interim answer before it sends the body.
    EXPECT_EQ(client.ReadExactly(25), "HTTP/1.1 100 Continue\r\n\r\n");
    client.Send(body);
    const Response answer = client.ReadResponse();
    EXPECT_EQ(answer.status, 200);
    EXPECT_NE(answer.body.find("after continue"), std::string::npos);

    // Refused on its headers (no Content-Type): no interim answer, just the 400 JSON.
    Client refused(server.Port());
    refused.Send("POST / HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 10\r\n\r\n");
    const Response bad = refused.ReadResponse();
    EXPECT_EQ(bad.status, 400);
    EXPECT_NE(bad.body.find("invalid_content_type"), std::string::npos);
    EXPECT_TRUE(refused.ClosedByServer());
}

TEST_F(RequestReadingTest, OtherExpectationsGetTheFixedExpectationFailed)
{
    Client client(server.Port());
    client.Send(Post(Call("echo"), "Expect: 100 Continue\r\n"));
    EXPECT_EQ(client.ReadToEnd(), kExpectationFailed);
    EXPECT_EQ(server.Provider().Calls(), 0);
    EXPECT_EQ(
        server.Logger().Containing("Invalid Http request: Expect header value is not 100-continue").size(),
        1u);
}

TEST_F(RequestReadingTest, PipelinedRequestsAreAnsweredInOrderAndCloseEndsTheConnection)
{
    Client client(server.Port());
    // The first answers 50 ms later from another thread; the second at once. Order holds.
    client.Send(Post(Call("later", R"({"n":"first"})")) + Post(Call("echo", R"({"n":"second"})")) +
                Post(Call("echo", R"({"n":"third"})"), "Connection: Close\r\n"));
    const Response first = client.ReadResponse();
    const Response second = client.ReadResponse();
    const Response third = client.ReadResponse();
    EXPECT_NE(first.body.find("first"), std::string::npos);
    EXPECT_NE(second.body.find("second"), std::string::npos);
    EXPECT_EQ(first.Header("Connection"), "Keep-Alive");
    EXPECT_NE(third.body.find("third"), std::string::npos);
    EXPECT_EQ(third.Header("Connection"), "close");
    EXPECT_TRUE(client.ClosedByServer());
}

TEST_F(RequestReadingTest, HttpOneZeroWithoutConnectionHeaderStaysOpen)
{
    Client client(server.Port());
    const std::string body = Call("echo", R"({"v":"1.0"})");
    const std::string request = "POST / HTTP/1.0\r\nContent-Type: application/json\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\n\r\n" + body;
    client.Send(request);
    EXPECT_EQ(client.ReadResponse().status, 200);
    client.Send(request);
    EXPECT_EQ(client.ReadResponse().status, 200);
}

TEST_F(RequestReadingTest, BodyOfExactlyTheLimitIsAcceptedOneByteMoreIsRefused)
{
    const std::size_t limit = 2500000;
    const std::string frame = Call("size", R"({"text":""})");
    const std::string text(limit - frame.size(), 'x');
    const std::string exact = Call("size", R"({"text":")" + text + R"("})");
    ASSERT_EQ(exact.size(), limit);
    {
        Client client(server.Port());
        client.Send(Post(exact));
        const Response answer = client.ReadResponse();
        EXPECT_NE(answer.body.find(std::to_string(text.size())), std::string::npos) << answer.body;
    }
    {
        // Declared one byte over: "request_exceeds_max_size".
        Client client(server.Port());
        client.Send(Post(exact + " "));
        const Response answer = client.ReadResponse();
        EXPECT_EQ(answer.status, 400);
        EXPECT_NE(answer.body.find("request_exceeds_max_size"), std::string::npos);
    }
    {
        // Chunked, so nothing declared: one byte over is "invalid_request".
        Client client(server.Port());
        std::ostringstream size;
        size << std::hex << exact.size() + 1;
        client.Send(
            "POST / HTTP/1.1\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n" +
            size.str() + "\r\n" + exact + " \r\n0\r\n\r\n");
        const Response answer = client.ReadResponse();
        EXPECT_EQ(answer.status, 400);
        EXPECT_NE(answer.body.find("invalid_request"), std::string::npos);
    }
}

TEST(RequestReadingTimeoutTest, AnIdleConnectionIsClosedWhenTheReadTimeoutPasses)
{
    TestServer::Options options;
    options.readTimeout = std::chrono::milliseconds(150);
    TestServer server(options);
    Client idle(server.Port());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(idle.ReadToEnd(), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

    // A body that stalls half way is cut off too; the attempt to answer may or may not reach
    // the client, but the connection ends and the provider is never called.
    Client stalled(server.Port());
    stalled.Send(
        "POST / HTTP/1.1\r\nContent-Type: application/json\r\nContent-Length: 100\r\n\r\n{\"jsonrpc\"");
    (void)stalled.ReadToEnd();
    EXPECT_EQ(server.Provider().Calls(), 0);
}

}  // namespace
