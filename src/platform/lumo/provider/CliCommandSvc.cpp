#include "platform/lumo/provider/CliCommandSvc.hpp"

#include "platform/lumo/provider/LookupErrors.hpp"

namespace Lumo::Provider::Metadata::Impl::Cli::CommandSvc {

AsyncServiceImpl::AsyncServiceImpl(std::shared_ptr<const Metadata::Cli::MetadataContainer> container)
    : container_(std::move(container))
{
}

void AsyncServiceImpl::List(std::shared_ptr<Core::AsyncActivation>, Core::AsyncResult<std::vector<std::string>> result)
{
    result.Succeed(container_->CommandPaths());
}

void AsyncServiceImpl::Get(std::shared_ptr<Core::AsyncActivation> activation, std::string path,
                           Core::AsyncResult<Data::DataValuePtr> result)
{
    if (auto entry = container_->FindCommand(path)) {
        result.Succeed(std::move(entry));
        return;
    }
    result.Fail(LookupErrors::NotFound(*activation, "lumo.metadata.command.not.found", {path}));
}

void AsyncServiceImpl::Fingerprint(std::shared_ptr<Core::AsyncActivation>, Core::AsyncResult<std::string> result)
{
    result.Succeed(container_->CommandsFingerprint());
}

}  // namespace Lumo::Provider::Metadata::Impl::Cli::CommandSvc
