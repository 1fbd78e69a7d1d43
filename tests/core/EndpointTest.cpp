// The endpoint on a configuration of the test's own (port 0, short timeouts): a listener that
// cannot open is logged and the other serves; with no listener at all the endpoint thread still
// runs until Stop. Both listeners serving is shown end to end.
#include <gtest/gtest.h>

#include <future>

#include "core/Endpoint.hpp"
#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/Logger.hpp"
#include "platform/lumo/ScalarValue.hpp"
#include "support/CollectingLogger.hpp"
#include "support/HttpExchange.hpp"

using namespace std::chrono_literals;
using Host::Settings::SettingsApi::Endpoint;

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

}  // namespace

TEST(EndpointTest, KeepsServingWhenOneListenerCannotOpen)
{
    boost::asio::io_context io;
    auto logger = std::make_shared<TestSupport::CollectingLogger>();
    // Hold the IPv4 address so the endpoint's own listener cannot bind it.
    boost::asio::ip::tcp::acceptor holder(io, {boost::asio::ip::address_v4::loopback(), 0}, false);
    const uint16_t taken = holder.local_endpoint().port();
    auto config = Endpoint::DaemonConfig(0);
    config.endpoint4.port(taken);
    config.endpoint6.port(0);
    config.readTimeout = config.writeTimeout = 2s;

    Endpoint endpoint(std::make_shared<NamingProvider>(), io, logger, config);
    endpoint.Start();
    const auto ports = endpoint.BoundPorts();
    ASSERT_EQ(ports.size(), 1u);
    std::string log;
    for (const auto& line : logger->Lines()) log += line.text + "\n";
    EXPECT_NE(log.find("IPv4 Failed to listen on: 127.0.0.1:" + std::to_string(taken) + " ec: std:98"),
              std::string::npos) << log;
    EXPECT_NE(log.find("Listening on: [::1]:" + std::to_string(ports[0])), std::string::npos) << log;

    TestSupport::HttpExchange client("::1", ports[0]);
    ASSERT_TRUE(client.Connected());
    client.Send(TestSupport::HttpExchange::JsonPost(
        R"({"jsonrpc":"2.0","id":1,"method":"com.orvane.test.naming.get"})", "Connection: close\r\n"));
    const std::string answer = client.Receive();
    EXPECT_EQ(answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << answer;
    EXPECT_NE(answer.find("com.orvane.test.naming/get"), std::string::npos) << answer;
    endpoint.Stop();
    EXPECT_TRUE(io.stopped());
}

TEST(EndpointTest, RunsItsThreadUntilStoppedEvenWithoutAListener)
{
    boost::asio::io_context io;
    boost::asio::ip::tcp::acceptor holder(io, {boost::asio::ip::address_v4::loopback(), 0}, false);
    auto config = Endpoint::DaemonConfig(holder.local_endpoint().port());
    config.endpoint6 = {boost::asio::ip::address_v4::loopback(), holder.local_endpoint().port()};
    Endpoint endpoint(std::make_shared<NamingProvider>(), io, std::make_shared<TestSupport::CollectingLogger>(), config);
    endpoint.Start();
    ASSERT_TRUE(endpoint.BoundPorts().empty());
    // Work posted later must still find the thread running.
    std::this_thread::sleep_for(50ms);
    std::promise<void> ran;
    boost::asio::post(io, [&ran] { ran.set_value(); });
    EXPECT_EQ(ran.get_future().wait_for(5s), std::future_status::ready);
    endpoint.Stop();
}
