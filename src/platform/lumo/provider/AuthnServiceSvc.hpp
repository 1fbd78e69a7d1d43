// Lumo::Provider::Metadata::Impl::Authentication::ServiceSvc::AsyncServiceImpl: serves which
// authentication schemes each service accepts, from the loaded authentication metadata.
//
// Owned by the provider's container through its bound interface; answers at once, reading
// the shared container (which has its own lock).
#pragma once

#include <memory>

#include "generated/Lumo/Provider/Metadata/Bindings/Authentication/ServiceSvc.hpp"
#include "platform/lumo/provider/AuthnMetadataContainer.hpp"

namespace Lumo::Provider::Metadata::Impl::Authentication::ServiceSvc {

class AsyncServiceImpl : public Bindings::Authentication::ServiceSvc::AsyncServiceInterface {
public:
    explicit AsyncServiceImpl(std::shared_ptr<const Metadata::Authentication::MetadataContainer> container);

    // Every described service id, sorted.
    void List(std::shared_ptr<Core::AsyncActivation> activation,
              Core::AsyncResult<std::vector<std::string>> result) override;
    // The file's entry for `service_id`; not_found for a service no component describes.
    void Get(std::shared_ptr<Core::AsyncActivation> activation, std::string service_id,
             Core::AsyncResult<Data::DataValuePtr> result) override;

private:
    const std::shared_ptr<const Metadata::Authentication::MetadataContainer> container_;
};

}  // namespace Lumo::Provider::Metadata::Impl::Authentication::ServiceSvc
