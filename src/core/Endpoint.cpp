#include "core/Endpoint.hpp"

#include <sstream>

#include "core/ServicesDatabase.hpp"
#include "platform/host/CSLogger.hpp"
#include "platform/host/FeatureState.hpp"
#include "platform/host/Panic.hpp"
#include "platform/lumo/Logger.hpp"
#include "platform/lumo/LocalizerHelpers.hpp"
#include "tasks/TaskSchedular.hpp"
#include "transport/http/PicoHttpStreamHandler.hpp"
#include "transport/stream/Acceptor.hpp"
#include "transport/stream/StreamServer.hpp"

namespace Host::Settings::SettingsApi {

namespace {

using boost::asio::ip::address_v4;
using boost::asio::ip::address_v6;
using boost::asio::ip::tcp;

constexpr uint64_t kBodyLimit = 2500000;

uint16_t ResolveDaemonPort()
{
    uint16_t port = ServicesDatabase::ResolveTcpPort("hostprefd");
    if (port == 0) {
        // The daemon never listens on a port the kernel would choose.
        Panic("VERIFY %s:%d\n", "apps/lifecycle/lumo/lumocpp/endpoint", 109);
    }
    return port;
}

std::string ErrorCodeText(const boost::system::error_code& ec)
{
    std::ostringstream text;
    bool system = ec.category() == boost::system::system_category() ||
                  ec.category() == boost::system::generic_category();
    text << (system ? "std" : ec.category().name()) << ":" << ec.value();
    return text.str();
}

// Answers leave as a head, chunks and a last chunk in separate writes; without
// TCP_NODELAY the last small write can wait for the client's delayed acknowledgement.
void TuneSocket(tcp::socket& socket)
{
    boost::system::error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
}

}  // namespace

Lumo::Transport::PicoHttp::ServerConfig Endpoint::DaemonConfig(uint16_t port)
{
    Lumo::Transport::PicoHttp::ServerConfig config;
    config.anyAddress = false;
    config.endpoint4 = tcp::endpoint(address_v4::loopback(), port);
    config.endpoint6 = tcp::endpoint(address_v6::loopback(), port);
    config.readTimeout = std::chrono::seconds(1200);
    config.writeTimeout = std::chrono::seconds(1800);
    config.httpBodySizeLimitInBytes = kBodyLimit;
    config.localizer = Lumo::L10n::LocalizerHelpers::GetDefaultLocalizer();
    return config;
}

Endpoint::Endpoint(std::shared_ptr<Lumo::Core::AsyncApiProvider> provider, boost::asio::io_context& ioContext,
                   std::shared_ptr<Lumo::Log::Logger> logger)
    : Endpoint(std::move(provider), ioContext, std::move(logger), DaemonConfig(ResolveDaemonPort()))
{
}

Endpoint::Endpoint(std::shared_ptr<Lumo::Core::AsyncApiProvider> provider, boost::asio::io_context& ioContext,
                   std::shared_ptr<Lumo::Log::Logger> logger, Lumo::Transport::PicoHttp::ServerConfig config)
    : provider_(std::move(provider)), ioContext_(ioContext), logger_(std::move(logger)), config_(std::move(config))
{
}

Endpoint::~Endpoint()
{
    if (thread_.joinable()) {
        Stop();
    }
}

void Endpoint::Start()
{
    CSLogger::Log(3, "%s", config_.ToString().c_str());
    FeatureState_InitDeltaMode();
    Listen(config_.endpoint4, "IPv4");
    Listen(config_.endpoint6, "IPv6");
    work_.emplace(ioContext_.get_executor());
    // A second start while a thread is stored ends the process (std::thread's assignment).
    thread_ = std::thread([this] { ioContext_.run(); });
    LifeCycle::TaskSchedular::GetInstance().Start();
    CSLogger::Log(2, "HTTP endpoint listening on TCP port %d", static_cast<int>(config_.endpoint4.port()));
}

void Endpoint::Stop()
{
    work_.reset();
    ioContext_.stop();
    if (thread_.joinable()) {
        thread_.join();
    }
    LifeCycle::TaskSchedular::GetInstance().Stop();
}

void Endpoint::Listen(const tcp::endpoint& address, const char* family)
{
    tcp::acceptor acceptor(ioContext_);
    boost::system::error_code ec = Lumo::Asio::Acceptor::Listen(acceptor, address);
    if (ec) {
        std::ostringstream endpointText;
        endpointText << address;
        Lumo::Log::Write(logger_.get(), Lumo::Log::kError, family, " Failed to listen on: ", endpointText.str(),
                         " ec: ", ErrorCodeText(ec));
        return;
    }
    // Logged as bound, so a port the kernel chose shows too.
    tcp::endpoint bound = acceptor.local_endpoint(ec);
    boundPorts_.push_back(bound.port());
    Lumo::Asio::StreamServerSpec spec;
    spec.timeouts = Lumo::Asio::IOTimeouts{config_.readTimeout, config_.writeTimeout};
    if (!trimmer_) {
        trimmer_ = Lumo::Asio::IdleMemoryTrimmer::Create(ioContext_.get_executor());
    }
    spec.trimmer = trimmer_;
    auto server = Lumo::Asio::StreamServer<>::Create(
        Lumo::Asio::Acceptor(std::move(acceptor)), spec, TuneSocket,
        Lumo::Transport::PicoHttp::MakeConnectionHandler(ioContext_, provider_, config_, logger_), logger_);
    server->Start();
    servers_.push_back(server);
    std::ostringstream endpointText;
    endpointText << bound;
    Lumo::Log::Write(logger_.get(), Lumo::Log::kInfo, "Listening on: ", endpointText.str());
}

}  // namespace Host::Settings::SettingsApi
