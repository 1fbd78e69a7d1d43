// Lumo::Provider::Introspection::Impl::ServiceSvc::AsyncServiceImpl: lists the services the
// provider serves and the operations of each.
//
// Owned by the provider's container through its bound interface; answers at once on the
// calling thread, reading the container through its InterfaceSource.
#pragma once

#include "generated/Lumo/Provider/Introspection/Bindings/ServiceSvc.hpp"
#include "platform/lumo/provider/InterfaceSource.hpp"

namespace Lumo::Provider::Introspection::Impl::ServiceSvc {

class AsyncServiceImpl : public Bindings::ServiceSvc::AsyncServiceInterface {
public:
    explicit AsyncServiceImpl(InterfaceSource services);

    // The served service ids, sorted.
    void List(std::shared_ptr<Core::AsyncActivation> activation,
              Core::AsyncResult<std::vector<std::string>> result) override;
    // The operation ids of service `id` in declaration order; not_found for an unknown id.
    void Get(std::shared_ptr<Core::AsyncActivation> activation, std::string id,
             Core::AsyncResult<::Com::Orvane::Lumo::Std::Introspection::Service::Info> result) override;

private:
    const InterfaceSource services_;
};

}  // namespace Lumo::Provider::Introspection::Impl::ServiceSvc
