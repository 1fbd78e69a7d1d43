// Lumo::Provider::Metadata::Impl::Cli::CommandSvc::AsyncServiceImpl: serves the commands of
// the loaded command-line metadata and their fingerprint.
//
// Owned by the provider's container through its bound interface; answers at once, reading
// the shared container (which has its own lock).
#pragma once

#include <memory>

#include "generated/Lumo/Provider/Metadata/Bindings/Cli/CommandSvc.hpp"
#include "platform/lumo/provider/CliMetadataContainer.hpp"

namespace Lumo::Provider::Metadata::Impl::Cli::CommandSvc {

class AsyncServiceImpl : public Bindings::Cli::CommandSvc::AsyncServiceInterface {
public:
    explicit AsyncServiceImpl(std::shared_ptr<const Metadata::Cli::MetadataContainer> container);

    // Every command path, sorted.
    void List(std::shared_ptr<Core::AsyncActivation> activation,
              Core::AsyncResult<std::vector<std::string>> result) override;
    // The file's entry for command `path`; not_found for an unknown path.
    void Get(std::shared_ptr<Core::AsyncActivation> activation, std::string path,
             Core::AsyncResult<Data::DataValuePtr> result) override;
    // The container's CommandsFingerprint.
    void Fingerprint(std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncResult<std::string> result) override;

private:
    const std::shared_ptr<const Metadata::Cli::MetadataContainer> container_;
};

}  // namespace Lumo::Provider::Metadata::Impl::Cli::CommandSvc
