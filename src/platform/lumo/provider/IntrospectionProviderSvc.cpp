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

std::string AsyncServiceImpl::ChecksumOf(const InterfaceSnapshot& services)
{
    std::lock_guard lock(cacheMutex_);
    // An expired snapshot never equals a live one, even one at the same address.
    if (cachedChecksum_.empty() || cachedServices_.lock() != services) {
        cachedChecksum_ = Checksum(*services);
        cachedServices_ = services;
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
