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
        Bindings::Cli::NamespaceSvc::AsyncServiceBinder::BindImplementation(
            std::make_shared<Impl::Cli::NamespaceSvc::AsyncServiceImpl>(container), localizer),
        Bindings::Cli::CommandSvc::AsyncServiceBinder::BindImplementation(
            std::make_shared<Impl::Cli::CommandSvc::AsyncServiceImpl>(container), localizer),
    };
}

std::vector<AsyncApiInterfacePtr> ProviderHelper::MetamodelInterfaces(
    std::shared_ptr<const Metamodel::MetadataContainer> container, std::shared_ptr<L10n::Localizer> localizer)
{
    return {
        Bindings::Metamodel::ComponentSvc::AsyncServiceBinder::BindImplementation(
            std::make_shared<Impl::Metamodel::ComponentSvc::AsyncServiceImpl>(container), localizer),
        Bindings::Metamodel::ServiceSvc::AsyncServiceBinder::BindImplementation(
            std::make_shared<Impl::Metamodel::ServiceSvc::AsyncServiceImpl>(container), localizer),
    };
}

std::vector<AsyncApiInterfacePtr> ProviderHelper::AuthnInterfaces(
    std::shared_ptr<const Authentication::MetadataContainer> container, std::shared_ptr<L10n::Localizer> localizer)
{
    return {
        Bindings::Authentication::ServiceSvc::AsyncServiceBinder::BindImplementation(
            std::make_shared<Impl::Authentication::ServiceSvc::AsyncServiceImpl>(container), localizer),
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
