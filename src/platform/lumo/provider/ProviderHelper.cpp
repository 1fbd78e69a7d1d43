#include "platform/lumo/provider/ProviderHelper.hpp"

#include "platform/lumo/provider/AuthnServiceSvc.hpp"
#include "platform/lumo/provider/CliCommandSvc.hpp"
#include "platform/lumo/provider/CliNamespaceSvc.hpp"
#include "platform/lumo/provider/MetadataFileError.hpp"
#include "platform/lumo/provider/MetamodelComponentSvc.hpp"
#include "platform/lumo/provider/MetamodelServiceSvc.hpp"

namespace Lumo::Provider::Metadata {

namespace {

// The error-value boundary of the loaders: containers throw, callers get a value.
template <class Container>
Data::ErrorValuePtr LoadIntoContainer(const std::string& component, const std::string& path, Container& container)
{
    try {
        container.Load(component, path);
        return nullptr;
    } catch (const MetadataFileError& error) {
        return error.ToErrorValue();
    }
}

// A fresh `Impl` over `container`, bound through its generated `Binder`.
template <class Binder, class Impl, class Container>
AsyncApiInterfacePtr BindOverContainer(const std::shared_ptr<const Container>& container,
                                       const std::shared_ptr<L10n::Localizer>& localizer)
{
    return Binder::BindImplementation(std::make_shared<Impl>(container), localizer);
}

}  // namespace

Data::ErrorValuePtr ProviderHelper::LoadCliMetadataFile(const std::string& component, const std::string& path,
                                                        Cli::MetadataContainer& container)
{
    return LoadIntoContainer(component, path, container);
}

Data::ErrorValuePtr ProviderHelper::LoadMetamodelMetadataFile(const std::string& component, const std::string& path,
                                                              Metamodel::MetadataContainer& container)
{
    return LoadIntoContainer(component, path, container);
}

Data::ErrorValuePtr ProviderHelper::LoadAuthnMetadataFile(const std::string& component, const std::string& path,
                                                          Authentication::MetadataContainer& container)
{
    return LoadIntoContainer(component, path, container);
}

std::vector<AsyncApiInterfacePtr> ProviderHelper::CliInterfaces(std::shared_ptr<const Cli::MetadataContainer> container,
                                                                std::shared_ptr<L10n::Localizer> localizer)
{
    return {
        BindOverContainer<Bindings::Cli::NamespaceSvc::AsyncServiceBinder, Impl::Cli::NamespaceSvc::AsyncServiceImpl>(
            container, localizer),
        BindOverContainer<Bindings::Cli::CommandSvc::AsyncServiceBinder, Impl::Cli::CommandSvc::AsyncServiceImpl>(
            container, localizer),
    };
}

std::vector<AsyncApiInterfacePtr> ProviderHelper::MetamodelInterfaces(
    std::shared_ptr<const Metamodel::MetadataContainer> container, std::shared_ptr<L10n::Localizer> localizer)
{
    return {
        BindOverContainer<Bindings::Metamodel::ComponentSvc::AsyncServiceBinder,
                          Impl::Metamodel::ComponentSvc::AsyncServiceImpl>(container, localizer),
        BindOverContainer<Bindings::Metamodel::ServiceSvc::AsyncServiceBinder,
                          Impl::Metamodel::ServiceSvc::AsyncServiceImpl>(container, localizer),
    };
}

std::vector<AsyncApiInterfacePtr> ProviderHelper::AuthnInterfaces(
    std::shared_ptr<const Authentication::MetadataContainer> container, std::shared_ptr<L10n::Localizer> localizer)
{
    return {
        BindOverContainer<Bindings::Authentication::ServiceSvc::AsyncServiceBinder,
                          Impl::Authentication::ServiceSvc::AsyncServiceImpl>(container, localizer),
    };
}

std::vector<std::string> ProviderHelper::MetadataAnonSvcNames()
{
    return {
        std::string(Bindings::Cli::NamespaceSvc::kServiceId),
        std::string(Bindings::Cli::CommandSvc::kServiceId),
        std::string(Bindings::Metamodel::ComponentSvc::kServiceId),
        std::string(Bindings::Metamodel::ServiceSvc::kServiceId),
        std::string(Bindings::Authentication::ServiceSvc::kServiceId),
    };
}

}  // namespace Lumo::Provider::Metadata
