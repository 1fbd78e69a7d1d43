// The real daemon's HTTP endpoint: the port from the services database, both loopback
// listeners, answers from the provider chain, real clients, and the refusal to start
// without a port.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "support/DaemonProcess.hpp"
#include "support/HttpExchange.hpp"
#include "support/ShellCommand.hpp"
#include "support/TempHostRoot.hpp"

using namespace std::chrono_literals;
using TestSupport::DaemonProcess;
using TestSupport::HttpExchange;
using TestSupport::RunShell;
using TestSupport::TempHostRoot;

namespace {

constexpr const char* kNotFound = "lumo-error: com.orvane.lumo.std.errors.operation_not_found\r\n";

std::string UnknownCall(int id)
{
    return R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":"com.orvane.lumo.std.introspection.provider.nothing"})";
}

class EndpointTest : public ::testing::Test {
protected:
    void StartDaemon()
    {
        daemon_ = std::make_unique<DaemonProcess>(root_);
        ASSERT_TRUE(daemon_->WaitListening(root_.Port())) << daemon_->Stderr();
    }

    void TearDown() override
    {
        if (daemon_) {
            EXPECT_EQ(daemon_->ExitCodeAfterTerm(1000ms), 0)
                << "no clean exit within a second of SIGTERM\n" << daemon_->Stderr();
        }
    }

    TempHostRoot root_;
    std::unique_ptr<DaemonProcess> daemon_;
};

}  // namespace

TEST_F(EndpointTest, ServesBothLoopbackAddressesAndKeepsConnectionsUsable)
{
    StartDaemon();
    for (const char* address : {"127.0.0.1", "[::1]"}) {
        EXPECT_NE(daemon_->Stderr().find("Listening on: " + std::string(address) + ":" + std::to_string(root_.Port())),
                  std::string::npos) << daemon_->Stderr();
    }
    for (const char* address : {"127.0.0.1", "::1"}) {
        HttpExchange client(address, root_.Port());
        ASSERT_TRUE(client.Connected()) << address;
        for (int id = 1; id <= 2; ++id) {
            ASSERT_TRUE(client.Send(HttpExchange::JsonPost(UnknownCall(id))));
            std::string answer = client.Receive(SIZE_MAX, 300ms);
            EXPECT_EQ(answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << address << "\n" << answer;
            EXPECT_NE(answer.find(kNotFound), std::string::npos) << answer;
            EXPECT_NE(answer.find("\"id\":" + std::to_string(id)), std::string::npos) << answer;
            EXPECT_NE(answer.find("Connection: Keep-Alive\r\n"), std::string::npos) << answer;
        }
    }
}

TEST_F(EndpointTest, AnswersATwoMegabyteCurlPost)
{
    if (RunShell("command -v curl").output.empty()) GTEST_SKIP() << "curl is not installed";
    StartDaemon();
    std::string body = R"({"jsonrpc":"2.0","id":7,"method":"com.orvane.lumo.std.introspection.provider.nothing","params":{"blob":")" +
                       std::string(2'000'000, 'x') + "\"}}";
    std::string bodyFile = root_.Dir() + "/body.json";
    std::ofstream(bodyFile) << body;
    // curl announces a body this large with "Expect: 100-continue" and waits for the go-ahead.
    std::string output = RunShell("curl -sS -v -o - --max-time 20 -H 'Content-Type: application/json' --data-binary @" +
                                  bodyFile + " http://127.0.0.1:" + std::to_string(root_.Port()) + "/ 2>&1")
                             .output;
    for (const char* part : {"Expect: 100-continue", "HTTP/1.1 100 Continue",
                             "lumo-error: com.orvane.lumo.std.errors.operation_not_found", "\"id\":7"})
        EXPECT_NE(output.find(part), std::string::npos) << part << "\n" << output.substr(0, 2000);
}

TEST_F(EndpointTest, AnswersSeveralRequestsOnOnePythonKeepAliveConnection)
{
    if (RunShell("command -v python3").output.empty()) GTEST_SKIP() << "python3 is not installed";
    StartDaemon();
    std::string script = root_.Dir() + "/client.py";
    std::ofstream(script) << R"(import http.client, json, sys
conn = http.client.HTTPConnection("127.0.0.1", int(sys.argv[1]), timeout=10)
sockets = set()
for i in range(1, 4):
    body = json.dumps({"jsonrpc": "2.0", "id": i, "method": "com.orvane.lumo.std.introspection.provider.nothing"})
    conn.request("POST", "/", body, {"Content-Type": "application/json"})
    sockets.add(id(conn.sock))
    answer = conn.getresponse()
    payload = json.loads(answer.read())
    print(answer.status, answer.getheader("lumo-error"), payload["id"])
print("sockets", len(sockets))
)";
    std::string output = RunShell("python3 " + script + " " + std::to_string(root_.Port()) + " 2>&1").output;
    EXPECT_EQ(output,
              "200 com.orvane.lumo.std.errors.operation_not_found 1\n"
              "200 com.orvane.lumo.std.errors.operation_not_found 2\n"
              "200 com.orvane.lumo.std.errors.operation_not_found 3\n"
              "sockets 1\n");
}

TEST(EndpointStartup, EndsTheProcessWhenTheServicesDatabaseHasNoPort)
{
    TempHostRoot root;
    root.WriteFile("/etc/services", "ssh 22/tcp\n");
    DaemonProcess daemon(root);
    auto status = daemon.WaitExit(10s);
    ASSERT_TRUE(status.has_value()) << daemon.Stderr();
    EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGABRT) << daemon.Stderr();
    std::string log = daemon.Stderr();
    EXPECT_NE(log.find("getaddrinfo failed. Error: "), std::string::npos) << log;
    EXPECT_NE(log.find("VERIFY apps/lifecycle/lumo/lumocpp/endpoint:109"), std::string::npos) << log;
    EXPECT_EQ(log.find("Listening on"), std::string::npos) << log;
}

// A refused request whose body is still arriving: the answer must reach the client
// before the connection ends, not be destroyed by a reset.
TEST_F(EndpointTest, DeliversTheRefusalOfARequestWhoseBodyIsStillArriving)
{
    StartDaemon();
    HttpExchange client("127.0.0.1", root_.Port());
    ASSERT_TRUE(client.Connected());
    std::string head = "POST / HTTP/1.1\r\nHost: localhost\r\nContent-Type: text/plain\r\nContent-Length: 1000000\r\n\r\n";
    ASSERT_TRUE(client.Send(head + std::string(200'000, 'x')));
    std::this_thread::sleep_for(200ms);
    client.Send(std::string(200'000, 'y'));
    std::string answer = client.Receive(SIZE_MAX, 3000ms);
    EXPECT_EQ(answer.rfind("HTTP/1.1 400 Bad Request\r\n", 0), 0u) << answer.substr(0, 300);
    EXPECT_NE(answer.find("invalid_content_type"), std::string::npos) << answer.substr(0, 600);
    EXPECT_NE(answer.find("Connection: close\r\n"), std::string::npos) << answer.substr(0, 300);
}
