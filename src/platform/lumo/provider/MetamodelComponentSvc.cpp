#include "platform/lumo/provider/MetamodelComponentSvc.hpp"

#include "platform/lumo/provider/LookupErrors.hpp"

namespace Lumo::Provider::Metadata::Impl::Metamodel::ComponentSvc {

AsyncServiceImpl::AsyncServiceImpl(std::shared_ptr<const Metadata::Metamodel::MetadataContainer> container)
    : container_(std::move(container))
{
}

void AsyncServiceImpl::List(std::shared_ptr<Core::AsyncActivation>, Core::AsyncResult<std::vector<std::string>> result)
{
    result.Succeed(container_->ComponentNames());
}

void AsyncServiceImpl::Get(std::shared_ptr<Core::AsyncActivation> activation, std::string component_id,
                           Core::AsyncResult<Data::DataValuePtr> result)
{
    if (auto document = container_->FindComponent(component_id)) {
        result.Succeed(std::move(document));
        return;
    }
    result.Fail(LookupErrors::NotFound(*activation, "lumo.metadata.component.not.found", {component_id}));
}

void AsyncServiceImpl::Fingerprint(std::shared_ptr<Core::AsyncActivation> activation, std::string component_id,
                                   Core::AsyncResult<std::string> result)
{
    if (auto fingerprint = container_->ComponentFingerprint(component_id)) {
        result.Succeed(std::move(*fingerprint));
        return;
    }
    result.Fail(LookupErrors::NotFound(*activation, "lumo.metadata.component.not.found", {component_id}));
}

}  // namespace Lumo::Provider::Metadata::Impl::Metamodel::ComponentSvc
