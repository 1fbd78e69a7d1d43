#include "transport/stream/StreamServer.hpp"

#include <gtest/gtest.h>

#include <chrono>

#include "StreamTestSupport.hpp"

namespace {

using namespace std::chrono_literals;
using Lumo::Asio::Acceptor;
using Lumo::Asio::AsyncPutbackStream;
using Lumo::Asio::StreamServerSpec;
using StreamTest::RunUntil;
using StreamTest::tcp;

// A real listening acceptor whose accept attempt number `failAt` fails with `failure`.
struct Script {
    int failAt = 0;
    boost::system::error_code failure;
    int attempts = 0;
};

class ScriptedAcceptor : public Acceptor {
public:
    ScriptedAcceptor(Acceptor real, std::shared_ptr<Script> script) : Acceptor(std::move(real)), script_(std::move(script)) {}

    template <class Handler>
    void AsyncAccept(Handler&& handler)
    {
        if (++script_->attempts != script_->failAt) {
            Acceptor::AsyncAccept(std::forward<Handler>(handler));
            return;
        }
        boost::asio::post(get_executor(), [handler = std::forward<Handler>(handler), ec = script_->failure,
                                           executor = get_executor()]() mutable { handler(ec, Socket(executor)); });
    }

private:
    std::shared_ptr<Script> script_;
};

class StreamServerTest : public ::testing::Test {
protected:
    using Server = Lumo::Asio::StreamServer<ScriptedAcceptor>;

    std::shared_ptr<Server> MakeServer(StreamServerSpec spec, std::function<void(tcp::socket&)> tune = {})
    {
        tcp::acceptor acceptor(io_);
        EXPECT_FALSE(Acceptor::Listen(acceptor, tcp::endpoint(boost::asio::ip::address_v4::loopback(), 0)));
        endpoint_ = acceptor.local_endpoint();
        return Server::Create(
            ScriptedAcceptor(Acceptor(std::move(acceptor)), script_), spec, std::move(tune),
            [this](std::shared_ptr<AsyncPutbackStream> stream) { handedOff_.push_back(std::move(stream)); }, logger_);
    }

    boost::asio::io_context io_;
    std::shared_ptr<Script> script_ = std::make_shared<Script>();
    std::shared_ptr<TestSupport::CollectingLogger> logger_ = std::make_shared<TestSupport::CollectingLogger>();
    std::vector<std::shared_ptr<AsyncPutbackStream>> handedOff_;
    tcp::endpoint endpoint_;
};

TEST_F(StreamServerTest, AcceptedSocketsAreTunedWrappedAndHandedOff)
{
    auto server = MakeServer(StreamServerSpec{{200ms, 200ms}},
                             [](tcp::socket& socket) { socket.set_option(tcp::no_delay(true)); });
    server->Start();

    std::vector<tcp::socket> clients;
    for (int i = 0; i < 3; ++i) clients.emplace_back(io_).connect(endpoint_);
    RunUntil(io_, [&] { return handedOff_.size() == 3; }, 3s);

    ASSERT_EQ(handedOff_.size(), 3u);
    for (std::size_t i = 0; i < handedOff_.size(); ++i) {
        tcp::no_delay noDelay;
        handedOff_[i]->Lowest().Lowest().get_option(noDelay);
        EXPECT_TRUE(noDelay.value()) << "the hook must tune the very socket that is handed off";
        boost::system::error_code ec;
        EXPECT_EQ(handedOff_[i]->Lowest().RemoteEndpoint(ec), clients[i].local_endpoint());
    }
    EXPECT_EQ(server->CurrentState(), Server::State::kAccepting);
    EXPECT_TRUE(logger_->Lines().empty());
}

TEST_F(StreamServerTest, OtherAcceptErrorIsTerminalAndNoFurtherAcceptIsIssued)
{
    *script_ = {2, boost::asio::error::no_permission};
    auto server = MakeServer(StreamServerSpec{{1s, 1s}});
    server->Start();
    tcp::socket first(io_);
    first.connect(endpoint_);
    RunUntil(io_, [&] { return server->CurrentState() == Server::State::kStopped; }, 3s);

    tcp::socket second(io_);
    second.connect(endpoint_);  // still completes in the kernel's backlog
    RunUntil(io_, [] { return false; }, 300ms);

    EXPECT_EQ(handedOff_.size(), 1u);
    EXPECT_EQ(script_->attempts, 2);
    EXPECT_EQ(server->CurrentState(), Server::State::kStopped);
    const auto lines = logger_->Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, Lumo::Log::kError);
    EXPECT_EQ(lines[0].text, "Accept Error: " + boost::system::error_code(boost::asio::error::no_permission).message() +
                                 ";TerminalAcceptError.Acceptor info:LocalEndpoint:127.0.0.1:" +
                                 std::to_string(endpoint_.port()));
}

TEST_F(StreamServerTest, StopDuringTheDelayLogsTheTimerErrorAndStops)
{
    *script_ = {1, boost::system::error_code(EMFILE, boost::system::system_category())};
    auto server = MakeServer(StreamServerSpec{{1s, 1s}, 10s});
    server->Start();
    RunUntil(io_, [&] { return server->CurrentState() == Server::State::kDelaying; }, 1s);
    server->Stop();
    RunUntil(io_, [] { return false; }, 200ms);

    EXPECT_EQ(script_->attempts, 1);
    EXPECT_EQ(server->CurrentState(), Server::State::kStopped);
    const auto lines = logger_->Containing("Delay timer Accept Error: ");
    ASSERT_EQ(lines.size(), 1u);
    const std::string aborted = boost::system::error_code(boost::asio::error::operation_aborted).message();
    const std::string closed = boost::system::error_code(boost::asio::error::bad_descriptor).message();
    EXPECT_EQ(lines[0].text, "Delay timer Accept Error: " + aborted + "LocalEndpoint:" + closed);
}

}  // namespace
