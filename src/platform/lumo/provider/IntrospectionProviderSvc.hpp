// Lumo::Provider::Introspection::Impl::ProviderSvc::AsyncServiceImpl: names the provider
// that answers the calls and fingerprints the services and operations it serves, so a
// client can tell when its cached view of the API is stale.
//
// Owned by the provider's container through its bound interface; answers at once on the
// calling thread, reading the container through its InterfaceSource.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "generated/Lumo/Provider/Introspection/Bindings/ProviderSvc.hpp"
#include "platform/lumo/provider/InterfaceSource.hpp"

namespace Lumo::Provider::Introspection::Impl::ProviderSvc {

class AsyncServiceImpl : public Bindings::ProviderSvc::AsyncServiceInterface {
public:
    AsyncServiceImpl(std::string providerName, InterfaceSource services);

    // The provider's name and Checksum of its services.
    void Get(std::shared_ptr<Core::AsyncActivation> activation,
             Core::AsyncResult<::Com::Orvane::Lumo::Std::Introspection::Provider::Info> result) override;

    // A hex digest of every "service/operation" pair of `services`, sorted, so the order of
    // registration and declaration does not matter.
    static std::string Checksum(const std::vector<AsyncApiInterfacePtr>& services);

private:
    // Checksum(services), recomputed only when the snapshot differs from the last one seen:
    // interfaces never change their operations, and the container makes a new snapshot
    // whenever a service is registered.
    std::string ChecksumOf(const InterfaceSnapshot& services);

    const std::string providerName_;
    const InterfaceSource services_;
    std::mutex cacheMutex_;
    // Weak: this service's own bound interface is among them, and owning it would be a cycle.
    std::weak_ptr<const std::vector<AsyncApiInterfacePtr>> cachedServices_;
    std::string cachedChecksum_;
};

}  // namespace Lumo::Provider::Introspection::Impl::ProviderSvc
