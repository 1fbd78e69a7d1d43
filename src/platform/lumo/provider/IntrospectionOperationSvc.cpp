#include "platform/lumo/provider/IntrospectionOperationSvc.hpp"

#include "platform/lumo/provider/LookupErrors.hpp"

namespace Lumo::Provider::Introspection::Impl::OperationSvc {

AsyncServiceImpl::AsyncServiceImpl(InterfaceSource services,
                                   std::shared_ptr<const Metadata::Metamodel::MetadataContainer> metamodel)
    : services_(std::move(services)), metamodel_(std::move(metamodel))
{
}

void AsyncServiceImpl::List(std::shared_ptr<Core::AsyncActivation> activation, std::string service_id,
                            Core::AsyncResult<std::vector<std::string>> result)
{
    AsyncApiInterfacePtr service = FindService(service_id);
    if (!service) {
        result.Fail(LookupErrors::NotFound(*activation, "lumo.service.not.found", {service_id}));
        return;
    }
    result.Succeed(service->OperationIds());
}

void AsyncServiceImpl::Get(std::shared_ptr<Core::AsyncActivation> activation, std::string service_id,
                           std::string operation_id,
                           Core::AsyncResult<::Com::Orvane::Lumo::Std::Introspection::Operation::Info> result)
{
    AsyncApiInterfacePtr service = FindService(service_id);
    if (!service || !service->HasOperation(operation_id)) {
        // Say which of the two is missing: a client that mistyped the service should not
        // go looking for the operation.
        result.Fail(service ? LookupErrors::NotFound(*activation, "lumo.operation.not.found", {service_id, operation_id})
                            : LookupErrors::NotFound(*activation, "lumo.service.not.found", {service_id}));
        return;
    }
    ::Com::Orvane::Lumo::Std::Introspection::Operation::Info info;
    info.service_id = std::move(service_id);
    info.operation_id = std::move(operation_id);
    if (auto definition = metamodel_->FindOperation(info.service_id, info.operation_id)) {
        info.definition = std::move(definition);
    }
    result.Succeed(std::move(info));
}

AsyncApiInterfacePtr AsyncServiceImpl::FindService(const std::string& serviceId) const
{
    const InterfaceSnapshot services = services_();
    for (const auto& service : *services) {
        if (service->ServiceId() == serviceId) {
            return service;
        }
    }
    return nullptr;
}

}  // namespace Lumo::Provider::Introspection::Impl::OperationSvc
