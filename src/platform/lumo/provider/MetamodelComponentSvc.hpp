// Lumo::Provider::Metadata::Impl::Metamodel::ComponentSvc::AsyncServiceImpl: serves the
// loaded metamodel components whole, and a fingerprint of each.
//
// Owned by the provider's container through its bound interface; answers at once, reading
// the shared container (which has its own lock).
#pragma once

#include <memory>

#include "generated/Lumo/Provider/Metadata/Bindings/Metamodel/ComponentSvc.hpp"
#include "platform/lumo/provider/MetamodelMetadataContainer.hpp"

namespace Lumo::Provider::Metadata::Impl::Metamodel::ComponentSvc {

class AsyncServiceImpl : public Bindings::Metamodel::ComponentSvc::AsyncServiceInterface {
public:
    explicit AsyncServiceImpl(std::shared_ptr<const Metadata::Metamodel::MetadataContainer> container);

    // Every component name, sorted.
    void List(std::shared_ptr<Core::AsyncActivation> activation,
              Core::AsyncResult<std::vector<std::string>> result) override;
    // The whole document of `component_id`; not_found for an unknown component.
    void Get(std::shared_ptr<Core::AsyncActivation> activation, std::string component_id,
             Core::AsyncResult<Data::DataValuePtr> result) override;
    // The fingerprint of `component_id`; not_found for an unknown component.
    void Fingerprint(std::shared_ptr<Core::AsyncActivation> activation, std::string component_id,
                     Core::AsyncResult<std::string> result) override;

private:
    const std::shared_ptr<const Metadata::Metamodel::MetadataContainer> container_;
};

}  // namespace Lumo::Provider::Metadata::Impl::Metamodel::ComponentSvc
