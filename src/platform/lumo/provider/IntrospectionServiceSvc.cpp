#include "platform/lumo/provider/IntrospectionServiceSvc.hpp"

#include "platform/lumo/provider/LookupErrors.hpp"

namespace Lumo::Provider::Introspection::Impl::ServiceSvc {

AsyncServiceImpl::AsyncServiceImpl(InterfaceSource services) : services_(std::move(services)) {}

void AsyncServiceImpl::List(std::shared_ptr<Core::AsyncActivation>, Core::AsyncResult<std::vector<std::string>> result)
{
    std::vector<std::string> ids;
    const InterfaceSnapshot services = services_();
    for (const auto& service : *services) {
        ids.push_back(service->ServiceId());
    }
    result.Succeed(std::move(ids));
}

void AsyncServiceImpl::Get(std::shared_ptr<Core::AsyncActivation> activation, std::string id,
                           Core::AsyncResult<::Com::Orvane::Lumo::Std::Introspection::Service::Info> result)
{
    const InterfaceSnapshot services = services_();
    for (const auto& service : *services) {
        if (service->ServiceId() == id) {
            ::Com::Orvane::Lumo::Std::Introspection::Service::Info info;
            info.operations = service->OperationIds();
            result.Succeed(std::move(info));
            return;
        }
    }
    result.Fail(LookupErrors::NotFound(*activation, "lumo.service.not.found", {id}));
}

}  // namespace Lumo::Provider::Introspection::Impl::ServiceSvc
