// Lumo::Provider::Metadata::Impl::Metamodel::ServiceSvc::AsyncServiceImpl: serves the
// metamodel entries of the services of every loaded component.
//
// Owned by the provider's container through its bound interface; answers at once, reading
// the shared container (which has its own lock).
#pragma once

#include <memory>

#include "generated/Lumo/Provider/Metadata/Bindings/Metamodel/ServiceSvc.hpp"
#include "platform/lumo/provider/MetamodelMetadataContainer.hpp"

namespace Lumo::Provider::Metadata::Impl::Metamodel::ServiceSvc {

class AsyncServiceImpl : public Bindings::Metamodel::ServiceSvc::AsyncServiceInterface {
public:
    explicit AsyncServiceImpl(std::shared_ptr<const Metadata::Metamodel::MetadataContainer> container);

    // Every described service id, sorted.
    void List(std::shared_ptr<Core::AsyncActivation> activation,
              Core::AsyncResult<std::vector<std::string>> result) override;
    // The file's entry for `service_id`; not_found for a service no component describes.
    void Get(std::shared_ptr<Core::AsyncActivation> activation, std::string service_id,
             Core::AsyncResult<Data::DataValuePtr> result) override;

private:
    const std::shared_ptr<const Metadata::Metamodel::MetadataContainer> container_;
};

}  // namespace Lumo::Provider::Metadata::Impl::Metamodel::ServiceSvc
