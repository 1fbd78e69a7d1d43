// API exchanges over real loopback connections: the 400 JSON answers, decoder errors,
// error results, the delivery table of streaming and non-streaming clients, results from
// other threads, refused execution contexts, peers, send failures and the log trail.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "HttpTestSupport.hpp"

namespace {

using namespace HttpTest;

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class ApiExchangeTest : public ::testing::Test {
protected:
    // Sends `request` on a new connection and reads one answer.
    Response Exchange(const std::string& request)
    {
        Client client(server.Port());
        client.Send(request);
        return client.ReadResponse();
    }

    TestServer server;
};

TEST_F(ApiExchangeTest, RefusedMediaTypesGetTheJsonBadRequestWithExactFraming)
{
    const struct {
        std::string contentType;  // empty: no Content-Type header
        std::string accept;
        std::string errorName;
    } cases[] = {
        {"", "", "invalid_content_type"},
        {"text/plain", "", "invalid_content_type"},
        // Clean JSON is a known media type but never decoded, whatever Accept names.
        {"application/vnd.orvane.lumo.cleanjson", "application/vnd.orvane.lumo.cleanjson", "invalid_request"},
        {"application/json; application/vnd.orvane.lumo.framed", "", "invalid_request"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contentType);
        const std::string body = Call("echo");
        std::string head = "POST / HTTP/1.1\r\n";
        if (!c.contentType.empty()) {
            head += "Content-Type: " + c.contentType + "\r\n";
        }
        if (!c.accept.empty()) {
            head += "Accept: " + c.accept + "\r\n";
        }
        Client client(server.Port());
        client.Send(head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
        const Response answer = client.ReadResponse();
        EXPECT_EQ(answer.head,
                  "HTTP/1.1 400 Bad Request\r\nContent-Length: " + std::to_string(answer.body.size()) +
                      "\r\nContent-Type: text/plain\r\nConnection: close\r\nServer: Lumo-PicoHttp\r\n\r\n");
        // The tagged form names the error; "code" and "message" are its fields.
        EXPECT_TRUE(Contains(answer.body, c.errorName)) << answer.body;
        EXPECT_TRUE(Contains(answer.body, "400")) << answer.body;
        EXPECT_TRUE(client.ClosedByServer());
    }
    EXPECT_EQ(server.Provider().Calls(), 0);
    EXPECT_EQ(server.Logger().Containing("Request is considered as bad").size(), 4u);
    EXPECT_EQ(server.Logger().Containing("Sent InvalidRequest response:[").size(), 4u);
    EXPECT_EQ(server.Logger().Containing("Handle request error: [").size(), 4u);
    EXPECT_TRUE(
        Contains(server.Logger().Containing("Handle request error: ").front().text, "InvalidRequest"));
}

TEST_F(ApiExchangeTest, InvalidContentTypeMessageNamesTheContentType)
{
    const Response answer = Exchange(Post(Call("echo"), "", "text/x-mine"));
    EXPECT_TRUE(Contains(answer.body, "text/x-mine")) << answer.body;
}

TEST_F(ApiExchangeTest, UndecodableBodyIsAnswered200WithTheDecoderErrorAndKeepsTheConnection)
{
    Client client(server.Port());
    client.Send(Post("{not json"));
    const Response answer = client.ReadResponse();
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.reason, "OK");
    EXPECT_EQ(answer.Header("Content-Length"), std::to_string(answer.body.size()));
    EXPECT_FALSE(answer.Header("Transfer-Encoding").has_value());
    EXPECT_TRUE(answer.Header("lumo-error").has_value());
    EXPECT_TRUE(Contains(answer.body, *answer.Header("lumo-error")));
    EXPECT_EQ(answer.Header("Connection"), "Keep-Alive");
    EXPECT_TRUE(server.Logger().WaitFor("Response head sent (Deserializer error): ["));

    client.Send(Post(Call("echo", R"({"again":1})")));
    EXPECT_TRUE(Contains(client.ReadResponse().body, "again"));
    EXPECT_EQ(server.Provider().Calls(), 1);
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

TEST_F(ApiExchangeTest, SuccessfulCallLeavesItsTrailInTheLog)
{
    Client client(server.Port());
    client.Send(Post(Call("echo", R"({"x":1})"), "Connection: close\r\n"));
    const Response answer = client.ReadResponse();
    EXPECT_EQ(answer.Header("Connection"), "close");
    EXPECT_FALSE(answer.Header("lumo-error").has_value());
    EXPECT_TRUE(client.ClosedByServer());

    auto& log = server.Logger();
    ASSERT_TRUE(log.WaitFor("Request handled"));
    const std::string id =
        log.Containing("Request head: ").at(0).text.substr(std::string("Request head: ").size());
    ASSERT_EQ(id.front(), '[');
    for (const std::string& line :
         {"RequestReadCb" + id, "Response head sent: " + id, "ResponseSentCb" + id, "Request handled" + id}) {
        const auto found = log.Containing(line);
        ASSERT_FALSE(found.empty()) << line;
        EXPECT_EQ(found.front().level, Lumo::Log::kTrace) << line;
    }
}

TEST_F(ApiExchangeTest, DeliveryTableDecidesTheLastPieceAndTheStreamError)
{
    const std::string plain;
    const std::string stream = "Accept: application/vnd.orvane.lumo.stream.json\r\n";
    const struct {
        std::string name;
        std::string acceptHeader;
        std::string params;
        std::vector<std::string> chunkTexts;  // what each chunk must contain, in order
        std::optional<std::string> error;
    } cases[] = {
        // Not streaming: the first delivery is the whole answer, continuation or not.
        {"plain, continuation", plain, R"({"count":2})", {"piece0"}, std::nullopt},
        {"plain, no continuation", plain, R"({"count":0})", {"final"}, std::nullopt},
        // A stream-flagged output cannot reach a client that did not ask for a stream.
        {"plain, stream flag",
         plain,
         R"({"count":0,"final_stream":true})",
         {"internal_server_error"},
         "com.orvane.lumo.std.errors.internal_server_error"},
        // Streaming: one chunk per delivery until one without continuation or with the flag.
        {"stream, continuation", stream, R"({"count":2})", {"piece0", "piece1", "final"}, std::nullopt},
        {"stream, stream flag ends", stream, R"({"count":3,"piece_stream":true})", {"piece0"}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Client client(server.Port());
        client.Send(Post(Call("stream", c.params), c.acceptHeader));
        const Response answer = client.ReadResponse();
        EXPECT_EQ(answer.status, 200);
        ASSERT_EQ(answer.chunks.size(), c.chunkTexts.size()) << answer.body;
        for (std::size_t i = 0; i < c.chunkTexts.size(); ++i) {
            EXPECT_TRUE(Contains(answer.chunks[i], c.chunkTexts[i])) << answer.chunks[i];
        }
        EXPECT_EQ(answer.Header("lumo-error"), c.error);
        // Deliveries dropped after the answer must not leak onto the connection.
        client.Send(Post(Call("echo", R"({"after":1})")));
        const Response next = client.ReadResponse();
        EXPECT_TRUE(Contains(next.body, "after")) << next.body;
    }
}

TEST_F(ApiExchangeTest, CleanStreamAcceptSelectsTheDirectFormAndNamesItsMediaType)
{
    const Response answer = Exchange(Post(Call("stream", R"({"count":1})"),
                                          "Accept: application/vnd.orvane.lumo.stream.json, "
                                          "application/vnd.orvane.lumo.clean.stream.json\r\n"));
    EXPECT_EQ(answer.Header("Content-Type"), "application/vnd.orvane.lumo.clean.stream.json");
    ASSERT_EQ(answer.chunks.size(), 2u);
    // Stream messages end with a newline, and the direct form writes a plain JSON string.
    EXPECT_EQ(answer.chunks[0].back(), '\n');
    EXPECT_TRUE(Contains(answer.chunks[0], R"("result":"piece0")")) << answer.chunks[0];
}

TEST_F(ApiExchangeTest, ResultsFromOtherThreadsReachTheirOwnConnections)
{
    constexpr int kClients = 12;
    std::vector<std::future<std::string>> answers;
    for (int i = 0; i < kClients; ++i) {
        answers.push_back(std::async(std::launch::async, [this, i] {
            Client client(server.Port());
            client.Send(Post(
                Call(i % 2 ? "later" : "stream", R"({"who":"client)" + std::to_string(i) + R"(","count":3})"),
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
    client.Send(Post(Call("echo", R"({"__ctx":{"appCtx":{"opId":"payload-op"}}})"),
                     "lumo-operation-id: other-op\r\n"));
    EXPECT_EQ(client.ReadToEnd(), "");
    EXPECT_EQ(server.Provider().Calls(), 0);
    ASSERT_TRUE(server.Logger().WaitFor("Handle request error: "));
    EXPECT_TRUE(Contains(server.Logger().Containing("Handle request error: ").front().text,
                         "Mismatching operation identifier in HTTP header and payload"));

    // The same id in both places is fine, and reaches the call's context.
    const Response answer = Exchange(
        Post(Call("echo", R"({"__ctx":{"appCtx":{"opId":"same"}}})"), "lumo-operation-id: same\r\n"));
    EXPECT_EQ(answer.status, 200);
    const auto activation = server.Provider().LastActivation();
    ASSERT_NE(activation, nullptr);
    EXPECT_EQ(activation->executionContext.applicationContext.at("opId"), "same");
    EXPECT_EQ(activation->requestId, "1");
}

TEST_F(ApiExchangeTest, PeerAddressAndPortReachTheCall)
{
    Client client(server.Port());
    client.Send(Post(Call("peer")));
    const Response answer = client.ReadResponse();
    EXPECT_TRUE(Contains(answer.body, "127.0.0.1")) << answer.body;
    EXPECT_TRUE(Contains(answer.body, std::to_string(client.LocalPort()))) << answer.body;
}

TEST_F(ApiExchangeTest, SocketFailuresAreReportedAsSystemErrors)
{
    {
        // Reset half way through the body: the read fails, not the request's framing.
        Client client(server.Port());
        client.Send("POST / HTTP/1.1\r\nContent-Type: application/json\r\nContent-Length: 100\r\n\r\n{");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        client.Abort();
        ASSERT_TRUE(server.Logger().WaitFor("lumo.recv.failed"));
        const std::string outcome = server.Logger().Containing("lumo.recv.failed").front().text;
        EXPECT_TRUE(Contains(outcome, "Handle request error: ")) << outcome;
        EXPECT_TRUE(Contains(outcome, "system_error")) << outcome;
        EXPECT_EQ(server.Provider().Calls(), 0);
    }

    Client client(server.Port());
    client.Send(Post(Call("later")));
    // Gone before the answer is written 50 ms later.
    client.Abort();
    ASSERT_TRUE(server.Logger().WaitFor("lumo.send.failed"));
    const std::string outcome = server.Logger().Containing("lumo.send.failed").front().text;
    EXPECT_TRUE(Contains(outcome, "Handle request error: ")) << outcome;
    EXPECT_TRUE(Contains(outcome, "system_error")) << outcome;
    EXPECT_FALSE(server.Logger().Containing("Failed to sent response head").empty());
}

}  // namespace
