// The server as ordinary HTTP clients see it: curl posting a large body (it asks for
// "100 Continue" by itself) and Python's http.client reusing one keep-alive connection.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "HttpTestSupport.hpp"

namespace {

using namespace HttpTest;

// Runs `command` through the shell; its standard output and error, and the exit status.
std::pair<std::string, int> RunShell(const std::string& command)
{
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return {"", -1};
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    return {output, ::pclose(pipe)};
}

bool Available(const std::string& tool) { return RunShell("command -v " + tool).second == 0; }

class RealClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() / ("http-real-client-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path dir_;
    TestServer server;
};

TEST_F(RealClientTest, CurlPostsTwoMegabytesAfterContinueAndGetsItsAnswer)
{
    if (!Available("curl")) {
        GTEST_SKIP() << "curl is not installed";
    }
    const std::string text(2 * 1024 * 1024, 'c');
    const auto bodyFile = dir_ / "body.json";
    std::ofstream(bodyFile) << Call("size", R"({"text":")" + text + R"("})");
    const auto [output, status] =
        RunShell("curl -sS -v --max-time 20 -H 'Content-Type: application/json' --data-binary @" +
                 bodyFile.string() + " http://127.0.0.1:" + std::to_string(server.Port()) + "/api");
    ASSERT_EQ(status, 0) << output;
    EXPECT_NE(output.find("Expect: 100-continue"), std::string::npos) << output;
    EXPECT_NE(output.find("HTTP/1.1 100 Continue"), std::string::npos) << output;
    EXPECT_NE(output.find(R"("result":)" + std::to_string(text.size())), std::string::npos) << output;
}

TEST_F(RealClientTest, PythonHttpClientGetsSeveralAnswersOnOneKeepAliveConnection)
{
    if (!Available("python3")) {
        GTEST_SKIP() << "python3 is not installed";
    }
    const auto script = dir_ / "client.py";
    std::ofstream(script) << R"(import http.client, json, sys
conn = http.client.HTTPConnection("127.0.0.1", int(sys.argv[1]), timeout=10)
sockets = set()
for i in range(3):
    body = json.dumps({"jsonrpc": "2.0", "id": i, "method": "test.echo", "params": {"n": i}})
    conn.request("POST", "/api", body, {"Content-Type": "application/json"})
    answer = conn.getresponse()
    data = json.loads(answer.read())
    sockets.add(id(conn.sock))
    print(answer.status, answer.getheader("Connection"), data["id"], json.dumps(data["result"]))
print("connections", len(sockets))
)";
    const auto [output, status] =
        RunShell("python3 " + script.string() + " " + std::to_string(server.Port()));
    ASSERT_EQ(status, 0) << output;
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(output.find("200 Keep-Alive " + std::to_string(i) + " "), std::string::npos) << output;
    }
    EXPECT_NE(output.find("connections 1"), std::string::npos) << output;
}

}  // namespace
