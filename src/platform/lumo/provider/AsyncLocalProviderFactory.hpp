// Lumo::Provider::AsyncLocalProviderFactory: makes the local provider and registers in its
// container the three introspection services, which describe the provider and whatever
// the container serves (themselves included).
//
// Stateless; call it once while building the provider chain, before the first call.
#pragma once

#include <memory>

#include "platform/lumo/AsyncLocalProvider.hpp"
#include "platform/lumo/Localizer.hpp"
#include "platform/lumo/provider/IntrospectionOperationSvc.hpp"
#include "platform/lumo/provider/IntrospectionProviderSvc.hpp"
#include "platform/lumo/provider/IntrospectionServiceSvc.hpp"
#include "platform/lumo/provider/MetamodelMetadataContainer.hpp"

namespace Lumo::Provider {

class AsyncLocalProviderFactory {
public:
    // A provider routing through `dispatcher` to the services of `container`, to which the
    // introspection services are added; operation descriptions come from `metamodel`.
    // The introspection services read the container without owning it.
    template <class Mutex>
    static std::shared_ptr<AsyncLocalProvider<Mutex>> Create(
        Dispatcher dispatcher, std::shared_ptr<AsyncApiInterfaceConcurrentContainer<Mutex>> container,
        std::shared_ptr<L10n::Localizer> localizer,
        std::shared_ptr<const Metadata::Metamodel::MetadataContainer> metamodel =
            Metadata::Metamodel::MetadataContainer::GetInstance())
    {
        auto provider = std::make_shared<AsyncLocalProvider<Mutex>>(std::move(dispatcher), container);
        Introspection::InterfaceSource services = Introspection::InterfacesOf(container);
        namespace Bind = Introspection::Bindings;
        namespace Impl = Introspection::Impl;
        container->Add(Bind::OperationSvc::AsyncServiceBinder::BindImplementation(
            std::make_shared<Impl::OperationSvc::AsyncServiceImpl>(services, std::move(metamodel)), localizer));
        container->Add(Bind::ProviderSvc::AsyncServiceBinder::BindImplementation(
            std::make_shared<Impl::ProviderSvc::AsyncServiceImpl>(provider->Name(), services), localizer));
        container->Add(Bind::ServiceSvc::AsyncServiceBinder::BindImplementation(
            std::make_shared<Impl::ServiceSvc::AsyncServiceImpl>(services), localizer));
        return provider;
    }
};

}  // namespace Lumo::Provider
