// Lumo::Provider::Introspection::Impl::OperationSvc::AsyncServiceImpl: lists and describes
// the operations of the services the provider serves, with each operation's metamodel
// entry when the metamodel metadata describes it.
//
// Owned by the provider's container through its bound interface; answers at once on the
// calling thread. Reads the container through its InterfaceSource and the metamodel
// container it shares (which has its own lock).
#pragma once

#include <memory>

#include "generated/Lumo/Provider/Introspection/Bindings/OperationSvc.hpp"
#include "platform/lumo/provider/InterfaceSource.hpp"
#include "platform/lumo/provider/MetamodelMetadataContainer.hpp"

namespace Lumo::Provider::Introspection::Impl::OperationSvc {

class AsyncServiceImpl : public Bindings::OperationSvc::AsyncServiceInterface {
public:
    AsyncServiceImpl(InterfaceSource services, std::shared_ptr<const Metadata::Metamodel::MetadataContainer> metamodel);

    // The operation ids of service `service_id` in declaration order; not_found for an unknown service.
    void List(std::shared_ptr<Core::AsyncActivation> activation, std::string service_id,
              Core::AsyncResult<std::vector<std::string>> result) override;
    // One served operation and its metamodel entry; not_found unless the provider serves it.
    void Get(std::shared_ptr<Core::AsyncActivation> activation, std::string service_id, std::string operation_id,
             Core::AsyncResult<::Com::Orvane::Lumo::Std::Introspection::Operation::Info> result) override;

private:
    AsyncApiInterfacePtr FindService(const std::string& serviceId) const;

    const InterfaceSource services_;
    const std::shared_ptr<const Metadata::Metamodel::MetadataContainer> metamodel_;
};

}  // namespace Lumo::Provider::Introspection::Impl::OperationSvc
