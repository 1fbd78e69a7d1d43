// Endpoint: the daemon's HTTP server — the port, the loopback listeners, and the thread
// that runs the I/O context.
//
// Owned by the Daemon for the life of the process; started and stopped once, from the
// main thread. Everything the listeners do runs on the endpoint thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "transport/ServerConfig.hpp"
#include "util/Asio.hpp"

namespace Lumo::Core {
class AsyncApiProvider;
}
namespace Lumo::Log {
class Logger;
}
namespace Lumo::Asio {
class PolymorphicStreamServer;
class IdleMemoryTrimmer;
}

namespace Host::Settings::SettingsApi {

class Endpoint {
public:
    // Resolves the port of the services entry "hostprefd" and fills the configuration:
    // 127.0.0.1 and ::1, 20-minute reads, 30-minute writes, 2,500,000-byte bodies. An
    // unresolvable port ends the process.
    Endpoint(std::shared_ptr<Lumo::Core::AsyncApiProvider> provider, boost::asio::io_context& ioContext,
             std::shared_ptr<Lumo::Log::Logger> logger);
    // An endpoint on a configuration of the caller's (tests: short timeouts, port 0).
    Endpoint(std::shared_ptr<Lumo::Core::AsyncApiProvider> provider, boost::asio::io_context& ioContext,
             std::shared_ptr<Lumo::Log::Logger> logger, Lumo::Transport::PicoHttp::ServerConfig config);
    ~Endpoint();
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    // Opens the listeners (a failed one is logged, the other serves), starts the endpoint
    // thread and the task scheduler. The thread runs the I/O context until Stop, even when
    // no listener opened or every acceptor stopped.
    void Start();
    // Stops the I/O context, joins the endpoint thread and stops the task scheduler.
    void Stop();

    const Lumo::Transport::PicoHttp::ServerConfig& Config() const { return config_; }
    // The ports the listeners are bound to (one per open listener); for tests on port 0.
    std::vector<uint16_t> BoundPorts() const { return boundPorts_; }

    // The configuration the daemon runs with on `port`.
    static Lumo::Transport::PicoHttp::ServerConfig DaemonConfig(uint16_t port);

private:
    void Listen(const boost::asio::ip::tcp::endpoint& address, const char* family);

    // Constant after construction.
    const std::shared_ptr<Lumo::Core::AsyncApiProvider> provider_;
    boost::asio::io_context& ioContext_;
    const std::shared_ptr<Lumo::Log::Logger> logger_;
    const Lumo::Transport::PicoHttp::ServerConfig config_;

    // Touched by the main thread only, before the endpoint thread starts and after it ends.
    std::vector<std::shared_ptr<Lumo::Asio::PolymorphicStreamServer>> servers_;
    std::vector<uint16_t> boundPorts_;
    // Shared by both listeners: memory is trimmed when the last connection of either closes.
    std::shared_ptr<Lumo::Asio::IdleMemoryTrimmer> trimmer_;
    // Keeps the I/O context's run going while it has nothing to do, until Stop.
    std::optional<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> work_;
    std::thread thread_;
};

}  // namespace Host::Settings::SettingsApi
