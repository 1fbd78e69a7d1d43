// ProviderFactory: builds the provider chain that every decoded call enters.
//
// Called once at start-up; the chain it returns is owned by the Daemon for the life of
// the process and only ever invoked on the endpoint thread.
#pragma once

#include <memory>

#include "util/Asio.hpp"

namespace Lumo::Core {
class AsyncApiProvider;
}
namespace Lumo::Log {
class Logger;
}

namespace Host::Settings::SettingsApi {

class ProviderFactory {
public:
    // The outermost element of the chain; calls are routed on `ioContext`.
    static std::shared_ptr<Lumo::Core::AsyncApiProvider> Create(boost::asio::io_context& ioContext,
                                                                std::shared_ptr<Lumo::Log::Logger> logger);
};

}  // namespace Host::Settings::SettingsApi
