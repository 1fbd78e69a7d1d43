// The endpoint on configurations of the test's own (port 0, short timeouts): both
// listeners serve the provider; a listener that cannot open is logged and the other serves.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <sstream>

#include "core/Endpoint.hpp"
#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/Logger.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "support/CollectingLogger.hpp"
#include "support/HttpExchange.hpp"

using namespace std::chrono_literals;
using Host::Settings::SettingsApi::Endpoint;
using TestSupport::HttpExchange;

namespace {

// Answers every call with "<service>/<operation>".
class NamingProvider : public Lumo::Core::AsyncApiProvider {
public:
    std::string Name() const override { return "NamingProvider"; }
    void Invoke(const Lumo::Core::MethodIdentifier& method, Lumo::Data::DataValuePtr,
                std::shared_ptr<Lumo::Core::AsyncActivation>, Lumo::Core::AsyncApiResultCb resultCb) override
    {
        resultCb(Lumo::Core::MethodResult::FromOutput(
            Lumo::Data::StringValue::Create(method.ServiceId() + "/" + method.OperationId())));
    }
};


Lumo::Transport::PicoHttp::ServerConfig TestConfig(uint16_t port4, uint16_t port6)
{
    auto config = Endpoint::DaemonConfig(0);
    config.endpoint4.port(port4);
    config.endpoint6.port(port6);
    config.readTimeout = 2s;
    config.writeTimeout = 2s;
    return config;
}

std::string Call(const char* address, uint16_t port)
{
    HttpExchange client(address, port);
    if (!client.Connected()) return "not connected";
    client.Send(HttpExchange::JsonPost(R"({"jsonrpc":"2.0","id":1,"method":"com.orvane.test.naming.get"})",
                                       "Connection: close\r\n"));
    return client.Receive();
}

std::string AllLines(const TestSupport::CollectingLogger& logger)
{
    std::string text;
    for (const auto& line : logger.Lines()) text += line.text + "\n";
    return text;
}

class EndpointTest : public ::testing::Test {
protected:
    boost::asio::io_context io_;
    std::shared_ptr<TestSupport::CollectingLogger> logger_ = std::make_shared<TestSupport::CollectingLogger>();
};

}  // namespace

TEST_F(EndpointTest, ServesTheProviderOnBothLoopbackListeners)
{
    Endpoint endpoint(std::make_shared<NamingProvider>(), io_, logger_, TestConfig(0, 0));
    endpoint.Start();
    auto ports = endpoint.BoundPorts();
    ASSERT_EQ(ports.size(), 2u) << AllLines(*logger_);
    for (auto [address, port] : {std::pair{"127.0.0.1", ports[0]}, std::pair{"::1", ports[1]}}) {
        std::string answer = Call(address, port);
        EXPECT_EQ(answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << address << "\n" << answer;
        EXPECT_NE(answer.find("com.orvane.test.naming/get"), std::string::npos) << answer;
    }
    EXPECT_NE(AllLines(*logger_).find("Listening on: 127.0.0.1:" + std::to_string(ports[0])), std::string::npos);
    EXPECT_NE(AllLines(*logger_).find("Listening on: [::1]:" + std::to_string(ports[1])), std::string::npos);
    endpoint.Stop();
    EXPECT_TRUE(io_.stopped());
}

TEST_F(EndpointTest, KeepsServingWhenOneListenerCannotOpen)
{
    // Hold the IPv4 address so the endpoint's own listener cannot bind it.
    int holder = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(holder, 1), 0);
    ASSERT_EQ(getsockname(holder, reinterpret_cast<sockaddr*>(&addr), &length), 0);
    uint16_t taken = ntohs(addr.sin_port);

    Endpoint endpoint(std::make_shared<NamingProvider>(), io_, logger_, TestConfig(taken, 0));
    endpoint.Start();
    auto ports = endpoint.BoundPorts();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_NE(AllLines(*logger_).find("IPv4 Failed to listen on: 127.0.0.1:" + std::to_string(taken) + " ec: std:98"),
              std::string::npos)
        << AllLines(*logger_);
    EXPECT_NE(Call("::1", ports[0]).find("com.orvane.test.naming/get"), std::string::npos);
    endpoint.Stop();
    close(holder);
}
