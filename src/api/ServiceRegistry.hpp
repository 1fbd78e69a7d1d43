// ServiceRegistry: the daemon's own services, in the order and under the conditions in
// which the provider serves them, and the service-id sets the filters need.
//
// Stateless; used once by the provider factory at start-up.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/lumo/AsyncApiInterface.hpp"

namespace Lumo::L10n {
class Localizer;
}

namespace Host::Settings::SettingsApi {

class ServiceRegistry {
public:
    using ServiceIdSet = std::set<std::string, std::less<>>;

    // The bound interfaces of the services this host serves, each over a fresh
    // implementation; services that depend on the host kind or a feature switch appear
    // only where their condition holds.
    static std::vector<Lumo::Provider::AsyncApiInterfacePtr> Bind(std::shared_ptr<Lumo::L10n::Localizer> localizer);

    // Every daemon service that needs an authenticated user on an ordinary host (all but
    // the data-processing-unit configuration service).
    static ServiceIdSet UserRequiredServiceIds();

    // The services whose calls carry a "host" parameter naming the target host.
    static ServiceIdSet HostScopedServiceIds();
};

}  // namespace Host::Settings::SettingsApi
