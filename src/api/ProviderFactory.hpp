// ProviderFactory: builds the provider chain that every decoded call enters: loads the
// framework's metadata files, registers the services and wraps the local provider in the
// filters of this kind of host.
//
// Called once at start-up; the chain it returns is owned by the Daemon for the life of
// the process and only ever invoked on the endpoint thread. A metadata file that cannot
// be loaded ends the process (the daemon never runs half-configured).
#pragma once

#include <memory>

#include "platform/lumo/AsyncLocalProvider.hpp"
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
    using ProviderPtr = std::shared_ptr<Lumo::Core::AsyncApiProvider>;

    // The outermost element of the chain; calls are routed on `ioContext`.
    static ProviderPtr Create(boost::asio::io_context& ioContext, std::shared_ptr<Lumo::Log::Logger> logger);

private:
    static void LoadMetadataFiles();
    static ProviderPtr CreateLocalProvider(const Lumo::Provider::Dispatcher& dispatcher);
    // Call audit, password/ticket authentication, then the user requirement.
    static ProviderPtr WrapOrdinaryHostSecurity(ProviderPtr chain, const Lumo::Provider::Dispatcher& dispatcher,
                                                const std::shared_ptr<Lumo::Log::Logger>& logger);
    // Token authentication, then entitlement authorization; no call audit.
    static ProviderPtr WrapDpuHostSecurity(ProviderPtr chain, const Lumo::Provider::Dispatcher& dispatcher,
                                           const std::shared_ptr<Lumo::Log::Logger>& logger);
};

}  // namespace Host::Settings::SettingsApi
