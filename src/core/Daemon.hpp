// Daemon: the process's life from start-up through the main poll loop to shutdown.
//
// Owns, for the life of the process and in this order, the task database, the framework
// logger, the I/O context, the provider chain and the endpoint; they are released in
// reverse order. Used once, by main,
// on the main thread. SIGTERM ends the main loop.
#pragma once

#include <memory>

#include "util/Asio.hpp"

namespace LifeCycle {
class TaskDB;
}

namespace Lumo::Core {
class AsyncApiProvider;
}

namespace Host::Settings::SettingsApi {

class Endpoint;
class LumoLoggerWrapper;

class Daemon {
public:
    Daemon();
    ~Daemon();
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;

    // Starts every piece, serves until SIGTERM, shuts down; returns the exit code.
    int Run();

private:
    void StartLogging();
    void InstallTerminationHandler();
    void InitHostLibraries();
    void ResetTaskDatabase();
    void RemoveStaleTrackingFile();
    bool StartEndpoint();
    void Release();

    std::unique_ptr<LifeCycle::TaskDB> taskDb_;
    std::shared_ptr<LumoLoggerWrapper> logger_;
    std::unique_ptr<boost::asio::io_context> ioContext_;
    std::shared_ptr<Lumo::Core::AsyncApiProvider> provider_;
    std::unique_ptr<Endpoint> endpoint_;
};

}  // namespace Host::Settings::SettingsApi
