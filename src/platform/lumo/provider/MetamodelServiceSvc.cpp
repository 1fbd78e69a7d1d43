#include "platform/lumo/provider/MetamodelServiceSvc.hpp"

#include "platform/lumo/provider/LookupErrors.hpp"

namespace Lumo::Provider::Metadata::Impl::Metamodel::ServiceSvc {

AsyncServiceImpl::AsyncServiceImpl(std::shared_ptr<const Metadata::Metamodel::MetadataContainer> container)
    : container_(std::move(container))
{
}

void AsyncServiceImpl::List(std::shared_ptr<Core::AsyncActivation>, Core::AsyncResult<std::vector<std::string>> result)
{
    result.Succeed(container_->ServiceIds());
}

void AsyncServiceImpl::Get(std::shared_ptr<Core::AsyncActivation> activation, std::string service_id,
                           Core::AsyncResult<Data::DataValuePtr> result)
{
    if (auto entry = container_->FindService(service_id)) {
        result.Succeed(std::move(entry));
        return;
    }
    result.Fail(LookupErrors::NotFound(*activation, "lumo.metadata.service.not.found", {service_id}));
}

}  // namespace Lumo::Provider::Metadata::Impl::Metamodel::ServiceSvc
