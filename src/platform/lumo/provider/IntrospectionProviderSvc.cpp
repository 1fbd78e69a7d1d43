#include "platform/lumo/provider/IntrospectionProviderSvc.hpp"

#include <algorithm>

#include "platform/lumo/provider/Digest.hpp"

namespace Lumo::Provider::Introspection::Impl::ProviderSvc {

AsyncServiceImpl::AsyncServiceImpl(std::string providerName, InterfaceSource services)
    : providerName_(std::move(providerName)), services_(std::move(services))
{
}

void AsyncServiceImpl::Get(std::shared_ptr<Core::AsyncActivation>,
                           Core::AsyncResult<::Com::Orvane::Lumo::Std::Introspection::Provider::Info> result)
{
    ::Com::Orvane::Lumo::Std::Introspection::Provider::Info info;
    info.id = providerName_;
    info.checksum = ChecksumOf(services_());
    result.Succeed(std::move(info));
}

std::string AsyncServiceImpl::ChecksumOf(const std::vector<AsyncApiInterfacePtr>& services)
{
    std::lock_guard lock(cacheMutex_);
    // An expired entry never equals a live interface, even one at the same address.
    const bool same = !cachedChecksum_.empty() &&
                      std::equal(services.begin(), services.end(), cachedServices_.begin(), cachedServices_.end(),
                                 [](const auto& live, const auto& seen) { return seen.lock() == live; });
    if (!same) {
        cachedChecksum_ = Checksum(services);
        cachedServices_.assign(services.begin(), services.end());
    }
    return cachedChecksum_;
}

std::string AsyncServiceImpl::Checksum(const std::vector<AsyncApiInterfacePtr>& services)
{
    std::vector<std::string> ids;
    for (const auto& service : services) {
        for (const std::string& operation : service->OperationIds()) {
            ids.push_back(service->ServiceId() + '/' + operation);
        }
    }
    std::sort(ids.begin(), ids.end());
    std::string listing;
    for (const std::string& id : ids) {
        // Dotted ids hold neither "/" nor a newline, so no two listings read the same.
        listing += id;
        listing += '\n';
    }
    return Digest::OfText(listing);
}

}  // namespace Lumo::Provider::Introspection::Impl::ProviderSvc
