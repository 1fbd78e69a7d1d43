// API exchanges over real loopback connections: the 400 JSON answers, error results, the delivery
// table of streaming and non-streaming clients, results from other threads, refused execution
// contexts, peers, send failures and the log trail.
#include <gtest/gtest.h>

#include <future>

#include "HttpTestSupport.hpp"

namespace {

using namespace HttpTest;

class ApiExchangeTest : public ::testing::Test {
protected:
    Response Exchange(const std::string& request)
    {
        Client client(server.Port());
        client.Send(request);
        return client.ReadResponse();
    }

    TestServer server;
};

TEST_F(ApiExchangeTest, RefusedMediaTypesGetTheJsonBadRequestAndAClosedConnection)
{
    const struct {
        std::string headers, answer;
    } cases[] = {
        {"", NoContentTypeAnswer("")},
        {"Content-Type: text/x-mine\r\n", NoContentTypeAnswer("text/x-mine")},
        // Clean JSON is a known media type but never decoded, whatever Accept names.
        {"Content-Type: application/vnd.orvane.lumo.cleanjson\r\nAccept: application/vnd.orvane.lumo.cleanjson\r\n",
         kInvalidRequestAnswer},
        {"Content-Type: application/json; application/vnd.orvane.lumo.framed\r\n", kInvalidRequestAnswer},
    };
    const std::string body = Call("echo");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.headers);
        Client client(server.Port());
        client.Send("POST / HTTP/1.1\r\n" + c.headers + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
                    body);
        EXPECT_EQ(client.ReadToEnd(), c.answer);
    }
    EXPECT_EQ(server.Provider().calls, 0);
    for (const char* line : {"Request is considered as bad", "Sent InvalidRequest response:[", "Handle request error: ["})
        EXPECT_EQ(server.Logger().Containing(line).size(), 4u) << line;
    EXPECT_TRUE(Contains(server.Logger().Containing("Handle request error: ").front().text, "InvalidRequest"));
}

TEST_F(ApiExchangeTest, ErrorResultIsAnswered200WithLumoErrorHeaderAndChunkedBody)
{
    const Response answer = Exchange(Post(Call("fail")));
    EXPECT_EQ(answer.head,
              "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Type: application/json\r\n"
              "Connection: Keep-Alive\r\nlumo-error: com.orvane.lumo.std.errors.not_found\r\n"
              "Server: Lumo-PicoHttp\r\n\r\n");
    EXPECT_TRUE(Contains(answer.body, R"("error")"));
    EXPECT_TRUE(Contains(answer.body, "not_found"));
}

// The answer is known at once: head, chunk and last chunk leave in one gathered write, yet
// each part still leaves its own line, in wire order, before the exchange ends.
TEST_F(ApiExchangeTest, SuccessfulCallCarriesThePeerAndLeavesItsTrailInOrder)
{
    Client client(server.Port());
    client.Send(Post(Call("peer"), "Connection: close\r\n"));
    const Response answer = client.ReadResponse();
    EXPECT_TRUE(Contains(answer.body, "127.0.0.1")) << answer.body;
    EXPECT_TRUE(Contains(answer.body, std::to_string(client.LocalPort()))) << answer.body;
    EXPECT_EQ(answer.Header("Connection"), "close");
    EXPECT_FALSE(answer.Header("lumo-error").has_value());
    EXPECT_TRUE(client.ClosedByServer());

    auto& log = server.Logger();
    ASSERT_TRUE(log.WaitFor("Request handled"));
    const std::string id = log.Containing("Request head: ").at(0).text.substr(std::string("Request head: ").size());
    ASSERT_EQ(id.front(), '[');
    std::vector<std::string> trail;
    for (const auto& line : log.Lines()) {
        if (line.text.ends_with(id)) {
            trail.push_back(line.text);
            EXPECT_EQ(line.level, Lumo::Log::kTrace) << line.text;
        }
    }
    EXPECT_EQ(trail, (std::vector<std::string>{"Request head: " + id, "RequestReadCb" + id, "Response head sent: " + id,
                                               "ResponseSentCb" + id, "ResponseSentCb" + id, "Request handled" + id}));
}

TEST_F(ApiExchangeTest, DeliveryTableDecidesTheLastPieceAndTheStreamError)
{
    const std::string stream = "application/vnd.orvane.lumo.stream.json";
    const std::string cleanStream = "application/vnd.orvane.lumo.clean.stream.json";
    const struct {
        std::string name;
        std::string accept;  // empty: no Accept header
        std::string op, params;
        std::vector<std::string> chunkTexts;  // what each chunk must contain, in order
        std::optional<std::string> error;
        std::string contentType;
    } cases[] = {
        // Not streaming: the first delivery is the whole answer, continuation or not.
        {"plain, continuation", "", "stream", R"({"count":2})", {"piece0"}, std::nullopt, "application/json"},
        {"plain, no continuation", "", "stream", R"({"count":0})", {"final"}, std::nullopt, "application/json"},
        {"unknown Accept", "text/html", "stream", R"({"count":0})", {"final"}, std::nullopt, "application/json"},
        // A stream-flagged output cannot reach a client that did not ask for a stream; an error can.
        {"plain, stream flag", "", "stream", R"({"count":0,"final_stream":true})", {"internal_server_error"},
         "com.orvane.lumo.std.errors.internal_server_error", "application/json"},
        {"plain, stream-flagged error", "", "fail", R"({"stream":true})", {"not_found"},
         "com.orvane.lumo.std.errors.not_found", "application/json"},
        // Streaming: one chunk per delivery until one without continuation or with the flag.
        {"stream, continuation", stream, "stream", R"({"count":2})", {"piece0", "piece1", "final"}, std::nullopt, stream},
        {"stream, stream flag ends", stream, "stream", R"({"count":3,"piece_stream":true})", {"piece0"}, std::nullopt,
         stream},
        // The clean stream form wins over the tagged one and writes plain JSON strings.
        {"clean stream", stream + ", " + cleanStream, "stream", R"({"count":1})",
         {R"("result":"piece0")", R"("result":"final")"}, std::nullopt, cleanStream},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Client client(server.Port());
        client.Send(Post(Call(c.op, c.params), c.accept.empty() ? "" : "Accept: " + c.accept + "\r\n"));
        const Response answer = client.ReadResponse();
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.Header("Content-Type"), c.contentType);
        ASSERT_EQ(answer.chunks.size(), c.chunkTexts.size()) << answer.body;
        for (std::size_t i = 0; i < c.chunkTexts.size(); ++i) {
            EXPECT_TRUE(Contains(answer.chunks[i], c.chunkTexts[i])) << answer.chunks[i];
            // A streaming client reads one JSON text per line.
            EXPECT_EQ(answer.chunks[i].back() == '\n', c.contentType != "application/json") << answer.chunks[i];
        }
        EXPECT_EQ(answer.Header("lumo-error"), c.error);
        // Deliveries dropped after the answer must not leak onto the connection.
        client.Send(Post(Call("echo", R"({"after":1})")));
        const Response next = client.ReadResponse();
        EXPECT_TRUE(Contains(next.body, "after")) << next.body;
    }
}

TEST_F(ApiExchangeTest, ResultsFromOtherThreadsReachTheirOwnConnections)
{
    constexpr int kClients = 12;
    std::vector<std::future<std::string>> answers;
    for (int i = 0; i < kClients; ++i) {
        answers.push_back(std::async(std::launch::async, [this, i] {
            Client client(server.Port());
            client.Send(Post(Call(i % 2 ? "later" : "stream", R"({"who":"client)" + std::to_string(i) + R"(","count":3})"),
                             "Accept: application/vnd.orvane.lumo.stream.json\r\n"));
            return client.ReadResponse().body;
        }));
    }
    for (int i = 0; i < kClients; ++i) {
        const std::string body = answers[i].get();
        if (i % 2) {
            EXPECT_TRUE(Contains(body, "client" + std::to_string(i) + "\"")) << body;
        } else {
            // Pieces of one answer arrive whole and in order.
            const auto p0 = body.find("piece0"), p1 = body.find("piece1"), p2 = body.find("piece2"),
                       f = body.find("final");
            EXPECT_TRUE(p0 < p1 && p1 < p2 && p2 < f && f != std::string::npos) << body;
        }
    }
}

TEST_F(ApiExchangeTest, MismatchingOperationIdEndsTheExchangeWithoutCallingTheProvider)
{
    Client client(server.Port());
    client.Send(Post(Call("echo", R"({"__ctx":{"appCtx":{"opId":"payload-op"}}})"), "lumo-operation-id: other-op\r\n"));
    EXPECT_EQ(client.ReadToEnd(), "");
    EXPECT_EQ(server.Provider().calls, 0);
    ASSERT_TRUE(server.Logger().WaitFor("Handle request error: "));
    EXPECT_TRUE(Contains(server.Logger().Containing("Handle request error: ").front().text,
                         "Mismatching operation identifier in HTTP header and payload"));

    // The same id in both places is fine.
    EXPECT_EQ(Exchange(Post(Call("echo", R"({"__ctx":{"appCtx":{"opId":"same"}}})"), "lumo-operation-id: same\r\n")).status,
              200);
}

// Each failure ends the exchange with the failure in the log, closes the connection and
// leaves the server serving others.
TEST(SocketFailureTest, FailedReadsAndWritesAreLoggedAndTheServerStaysUp)
{
    const struct {
        std::string name;
        std::string request;
        std::vector<std::string> lineParts;  // one log line has them all
        std::string alsoLogged;
        int calls;
        int receiveBuffer = 0;  // set: the client never reads, with this small a window
    } cases[] = {
        // Reset inside the head: the fixed 400 is attempted and cannot be delivered.
        {"reset in the head", "POST / HT", {"Failed to deliver response. EC: "}, "Invalid Http request", 0},
        // Reset half way through the body: the read fails, not the request's framing.
        {"reset in the body", "POST / HTTP/1.1\r\nContent-Type: application/json\r\nContent-Length: 100\r\n\r\n{",
         {"Handle request error: ", "system_error", "lumo.recv.failed"}, "RequestReadCb: ", 0},
        // Gone before the answer is written 50 ms later.
        {"reset before the answer", Post(Call("later")), {"Handle request error: ", "system_error", "lumo.send.failed"},
         "Failed to sent response head", 1},
        // Several MB to a client that reads nothing: the write deadline ends the exchange.
        {"write timeout", Post(Call("blob", R"({"count":8000000})")),
         {"Handle request error: ", "system_error", "lumo.send.failed"}, "Failed to sent response body ", 1, 4096},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server(std::chrono::seconds(5), std::chrono::milliseconds(300));
        Client client(server.Port(), c.receiveBuffer);
        client.Send(c.request);
        if (c.receiveBuffer == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            client.Abort();
        }
        ASSERT_TRUE(server.Logger().WaitFor(c.lineParts.front()));
        const std::string line = server.Logger().Containing(c.lineParts.front()).front().text;
        for (const auto& part : c.lineParts) EXPECT_TRUE(Contains(line, part)) << line;
        EXPECT_FALSE(server.Logger().Containing(c.alsoLogged).empty());
        if (c.receiveBuffer != 0) {
            const std::string received = client.ReadToEnd();
            EXPECT_EQ(received.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
            EXPECT_LT(received.size(), 8000000u);
        }
        EXPECT_EQ(server.Provider().calls, c.calls);
        Client next(server.Port());
        next.Send(Post(Call("echo", R"({"still":"up"})")));
        EXPECT_TRUE(Contains(next.ReadResponse().body, "still"));
    }
}

}  // namespace
