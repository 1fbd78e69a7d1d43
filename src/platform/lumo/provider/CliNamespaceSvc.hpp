// Lumo::Provider::Metadata::Impl::Cli::NamespaceSvc::AsyncServiceImpl: serves the
// command-line namespaces of the loaded command-line metadata.
//
// Owned by the provider's container through its bound interface; answers at once, reading
// the shared container (which has its own lock).
#pragma once

#include <memory>

#include "generated/Lumo/Provider/Metadata/Bindings/Cli/NamespaceSvc.hpp"
#include "platform/lumo/provider/CliMetadataContainer.hpp"

namespace Lumo::Provider::Metadata::Impl::Cli::NamespaceSvc {

class AsyncServiceImpl : public Bindings::Cli::NamespaceSvc::AsyncServiceInterface {
public:
    explicit AsyncServiceImpl(std::shared_ptr<const Metadata::Cli::MetadataContainer> container);

    // Every namespace path, sorted.
    void List(std::shared_ptr<Core::AsyncActivation> activation,
              Core::AsyncResult<std::vector<std::string>> result) override;
    // The file's entry for namespace `path`; not_found for an unknown path.
    void Get(std::shared_ptr<Core::AsyncActivation> activation, std::string path,
             Core::AsyncResult<Data::DataValuePtr> result) override;

private:
    const std::shared_ptr<const Metadata::Cli::MetadataContainer> container_;
};

}  // namespace Lumo::Provider::Metadata::Impl::Cli::NamespaceSvc
