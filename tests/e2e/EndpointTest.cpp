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

#include "support/DaemonTest.hpp"
#include "support/HttpExchange.hpp"
#include "support/ShellCommand.hpp"

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

class EndpointTest : public TestSupport::DaemonTest {
protected:
    void SetUp() override { exitWithin_ = 1000ms; }
};

// An off-the-shelf JSON-RPC 2.0 client library (Debian's python3-jsonrpclib-pelix): the
// envelope, named parameters, dotted method names and the error object must be what such a
// library expects. The proxy turns attribute chains into dotted method names and keyword
// arguments into named parameters; a JSON-RPC error object becomes a ProtocolError.
constexpr const char* kLibraryClient = R"(import sys
from jsonrpclib import ServerProxy, ProtocolError
from jsonrpclib.config import Config
proxy = ServerProxy("http://127.0.0.1:%s/" % sys.argv[1], config=Config(content_type="application/json"))
# Which services a host serves is ProviderChainTest's business; a list of them is enough here.
services = proxy.com.orvane.lumo.std.introspection.service.list()
print("com.orvane.hub.tasks" in services, "com.orvane.lumo.std.introspection.service" in services)
print(" ".join(proxy.com.orvane.lumo.std.introspection.operation.list(service_id="com.orvane.hub.tasks")))
try:
    proxy.com.orvane.hub.tasks.list()
except ProtocolError as error:
    print("refused", error.args[0][0], error.args[0][1])
)";

}  // namespace

TEST_F(EndpointTest, ServesBothLoopbackAddressesAndKeepsConnectionsUsable)
{
    Start();
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
    Start();
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

TEST_F(EndpointTest, AJsonRpcClientLibraryCallsWithNamedParametersAndSeesTheErrorObject)
{
    Start();
    const std::string script = root_.Dir() + "/client.py";
    std::ofstream(script) << kLibraryClient;
    // The Debian interpreter, which is the one the package installs the library for.
    EXPECT_EQ(RunShell("/usr/bin/python3 " + script + " " + std::to_string(root_.Port()) + " 2>&1").output,
              "True True\n"
              "get list cancel\n"
              "refused -32000 Operation com.orvane.hub.tasks.list requires an authenticated user.\n");
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
    Start();
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
