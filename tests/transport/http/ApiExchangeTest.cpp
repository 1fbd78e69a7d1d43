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

TEST_F(ApiExchangeTest, RefusedMediaTypesGetTheJsonBadRequestWithExactFraming)
{
    const struct {
        std::string contentType;  // empty: no Content-Type header
        std::string accept;
        std::string errorName;
    } cases[] = {
        {"", "", "invalid_content_type"},
        {"text/x-mine", "", "invalid_content_type"},
        // Clean JSON is a known media type but never decoded, whatever Accept names.
        {"application/vnd.orvane.lumo.cleanjson", "application/vnd.orvane.lumo.cleanjson", "invalid_request"},
        {"application/json; application/vnd.orvane.lumo.framed", "", "invalid_request"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contentType);
        const std::string body = Call("echo");
        const std::string head = "POST / HTTP/1.1\r\n" +
                                 (c.contentType.empty() ? "" : "Content-Type: " + c.contentType + "\r\n") +
                                 (c.accept.empty() ? "" : "Accept: " + c.accept + "\r\n");
        Client client(server.Port());
        client.Send(head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
        const Response answer = client.ReadResponse();
        EXPECT_EQ(answer.head, "HTTP/1.1 400 Bad Request\r\nContent-Length: " + std::to_string(answer.body.size()) +
                                   "\r\nContent-Type: text/plain\r\nConnection: close\r\nServer: Lumo-PicoHttp\r\n\r\n");
        EXPECT_TRUE(Contains(answer.body, c.errorName)) << answer.body;
        EXPECT_TRUE(Contains(answer.body, "400")) << answer.body;
        if (c.errorName == "invalid_content_type") {
            EXPECT_TRUE(Contains(answer.body, c.contentType)) << answer.body;  // the message names it
        }
        EXPECT_TRUE(client.ClosedByServer());
    }
    EXPECT_EQ(server.Provider().Calls(), 0);
    for (const char* line : {"Request is considered as bad", "Sent InvalidRequest response:[", "Handle request error: ["}) {
        EXPECT_EQ(server.Logger().Containing(line).size(), 4u) << line;
    }
    EXPECT_TRUE(Contains(server.Logger().Containing("Handle request error: ").front().text, "InvalidRequest"));
}

TEST_F(ApiExchangeTest, UndecodableBodyIsAnswered200WithTheDecoderErrorAndKeepsTheConnection)
{
    Client client(server.Port());
    client.Send(Post("{not json"));
    const Response answer = client.ReadResponse();
    EXPECT_EQ(answer.head.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << answer.head;
    EXPECT_EQ(answer.Header("Content-Length"), std::to_string(answer.body.size()));
    EXPECT_FALSE(answer.Header("Transfer-Encoding").has_value());
    ASSERT_TRUE(answer.Header("lumo-error").has_value());
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

TEST_F(ApiExchangeTest, SuccessfulCallCarriesThePeerAndLeavesItsTrailInTheLog)
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
    for (const std::string& line :
         {"RequestReadCb" + id, "Response head sent: " + id, "ResponseSentCb" + id, "Request handled" + id}) {
        const auto found = log.Containing(line);
        ASSERT_FALSE(found.empty()) << line;
        EXPECT_EQ(found.front().level, Lumo::Log::kTrace) << line;
    }
}

TEST_F(ApiExchangeTest, AnswerKnownAtOnceLeavesInOneSegmentWithItsTrailInOrder)
{
    Client client(server.Port());
    client.Send(Post(Call("echo", R"({"text":"all at once"})")));
    // A segment reaches the receive queue whole, so one receive sees head, chunk and last chunk.
    const std::string received = client.ReadSome();
    EXPECT_EQ(received.rfind("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n", 0), 0u) << received;
    EXPECT_TRUE(Contains(received, "all at once")) << received;
    EXPECT_TRUE(received.ends_with("}\r\n0\r\n\r\n")) << received;

    auto& log = server.Logger();
    ASSERT_TRUE(log.WaitFor("Request handled"));
    const std::string id = log.Containing("Request head: ").at(0).text.substr(std::string("Request head: ").size());
    // Each part still leaves its own line, in wire order, before the exchange ends.
    std::vector<std::string> trail;
    for (const auto& line : log.Lines()) {
        const bool exchangeEnd = line.text.starts_with("Request handled");
        if (line.text.ends_with(id) && (line.text.starts_with("Response") || exchangeEnd)) {
            trail.push_back(line.text);
        }
    }
    EXPECT_EQ(trail, (std::vector<std::string>{"Response head sent: " + id, "ResponseSentCb" + id,
                                               "ResponseSentCb" + id, "Request handled" + id}));
}

TEST_F(ApiExchangeTest, DeliveryTableDecidesTheLastPieceAndTheStreamError)
{
    const std::string stream = "Accept: application/vnd.orvane.lumo.stream.json\r\n";
    const struct {
        std::string name;
        std::string acceptHeader;
        std::string params;
        std::vector<std::string> chunkTexts;  // what each chunk must contain, in order
        std::optional<std::string> error;
    } cases[] = {
        // Not streaming: the first delivery is the whole answer, continuation or not.
        {"plain, continuation", "", R"({"count":2})", {"piece0"}, std::nullopt},
        {"plain, no continuation", "", R"({"count":0})", {"final"}, std::nullopt},
        // A stream-flagged output cannot reach a client that did not ask for a stream.
        {"plain, stream flag", "", R"({"count":0,"final_stream":true})", {"internal_server_error"},
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

    // The clean stream form names its media type and writes plain JSON strings, one per line.
    const Response clean = Exchange(Post(Call("stream", R"({"count":1})"),
                                         "Accept: application/vnd.orvane.lumo.stream.json, "
                                         "application/vnd.orvane.lumo.clean.stream.json\r\n"));
    EXPECT_EQ(clean.Header("Content-Type"), "application/vnd.orvane.lumo.clean.stream.json");
    ASSERT_EQ(clean.chunks.size(), 2u);
    EXPECT_EQ(clean.chunks[0].back(), '\n');
    EXPECT_TRUE(Contains(clean.chunks[0], R"("result":"piece0")")) << clean.chunks[0];
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
    EXPECT_EQ(server.Provider().Calls(), 0);
    ASSERT_TRUE(server.Logger().WaitFor("Handle request error: "));
    EXPECT_TRUE(Contains(server.Logger().Containing("Handle request error: ").front().text,
                         "Mismatching operation identifier in HTTP header and payload"));

    // The same id in both places is fine, and reaches the call's context.
    EXPECT_EQ(Exchange(Post(Call("echo", R"({"__ctx":{"appCtx":{"opId":"same"}}})"), "lumo-operation-id: same\r\n")).status,
              200);
    const auto activation = server.Provider().LastActivation();
    ASSERT_NE(activation, nullptr);
    EXPECT_EQ(activation->executionContext.applicationContext.at("opId"), "same");
    EXPECT_EQ(activation->requestId, "1");
}

TEST_F(ApiExchangeTest, SocketFailuresAreReportedAsSystemErrors)
{
    const struct {
        std::string request;
        std::string code;
    } cases[] = {
        // Reset half way through the body: the read fails, not the request's framing.
        {"POST / HTTP/1.1\r\nContent-Type: application/json\r\nContent-Length: 100\r\n\r\n{", "lumo.recv.failed"},
        // Gone before the answer is written 50 ms later.
        {Post(Call("later")), "lumo.send.failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        Client client(server.Port());
        client.Send(c.request);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        client.Abort();
        ASSERT_TRUE(server.Logger().WaitFor(c.code));
        const std::string outcome = server.Logger().Containing(c.code).front().text;
        EXPECT_TRUE(Contains(outcome, "Handle request error: ")) << outcome;
        EXPECT_TRUE(Contains(outcome, "system_error")) << outcome;
    }
    EXPECT_EQ(server.Provider().Calls(), 1);
    EXPECT_FALSE(server.Logger().Containing("Failed to sent response head").empty());
}

}  // namespace
