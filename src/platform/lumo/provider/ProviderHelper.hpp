// Lumo::Provider::Metadata::ProviderHelper: loads the metadata files into their containers
// and makes the bound interfaces of the metadata services that serve them.
//
// Stateless; the loaders are meant for start-up (one thread), the rest is thread-safe.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/lumo/AsyncApiInterface.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/Localizer.hpp"
#include "platform/lumo/provider/AuthnMetadataContainer.hpp"
#include "platform/lumo/provider/CliMetadataContainer.hpp"
#include "platform/lumo/provider/MetamodelMetadataContainer.hpp"

namespace Lumo::Provider::Metadata {

class ProviderHelper {
public:
    // Each loader adds component `component` from the file at `path` to `container`; null on
    // success, else an error value whose message names the file and the fault (missing or
    // unreadable file, malformed JSON, wrong shape, component or entry loaded already).
    // Nothing is added on failure.
    static Data::ErrorValuePtr LoadCliMetadataFile(const std::string& component, const std::string& path,
                                                   Cli::MetadataContainer& container);
    static Data::ErrorValuePtr LoadMetamodelMetadataFile(const std::string& component, const std::string& path,
                                                         Metamodel::MetadataContainer& container);
    static Data::ErrorValuePtr LoadAuthnMetadataFile(const std::string& component, const std::string& path,
                                                     Authentication::MetadataContainer& container);

    // The bound command-line namespace and command services over `container`.
    static std::vector<AsyncApiInterfacePtr> CliInterfaces(std::shared_ptr<const Cli::MetadataContainer> container,
                                                           std::shared_ptr<L10n::Localizer> localizer);
    // The bound metamodel component and service services over `container`.
    static std::vector<AsyncApiInterfacePtr> MetamodelInterfaces(
        std::shared_ptr<const Metamodel::MetadataContainer> container, std::shared_ptr<L10n::Localizer> localizer);
    // The bound authentication service service over `container`.
    static std::vector<AsyncApiInterfacePtr> AuthnInterfaces(
        std::shared_ptr<const Authentication::MetadataContainer> container, std::shared_ptr<L10n::Localizer> localizer);

    // The service ids of every metadata service above, in that order; they may be called
    // without an authenticated user.
    static std::vector<std::string> MetadataAnonSvcNames();
};

}  // namespace Lumo::Provider::Metadata
