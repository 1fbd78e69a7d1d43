// Lumo::Provider::AsyncApiInterfaceConcurrentContainer: the registered services by id.
//
// Shared by the provider and the introspection services. Guarded by Mutex; with
// DummyMutex it must only be touched by one thread (the endpoint thread).
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/lumo/AsyncApiInterface.hpp"
#include "platform/lumo/BaseMessage.hpp"

namespace Lumo::Provider {

template <class Mutex>
class AsyncApiInterfaceConcurrentContainer {
public:
    // The registered interfaces at one moment, ordered by service id. A new snapshot is made
    // whenever the set changes, so two equal pointers mean an unchanged set.
    using Snapshot = std::shared_ptr<const std::vector<AsyncApiInterfacePtr>>;

    // A container holding `interfaces`; a later interface with the id of an earlier one
    // replaces it.
    static std::shared_ptr<AsyncApiInterfaceConcurrentContainer> GetInstance(
        const std::vector<AsyncApiInterfacePtr>& interfaces)
    {
        auto container = std::make_shared<AsyncApiInterfaceConcurrentContainer>();
        for (const auto& interface : interfaces) {
            container->Add(interface);
        }
        return container;
    }

    void Add(AsyncApiInterfacePtr interface)
    {
        std::lock_guard<Mutex> lock(mutex_);
        std::string id = interface->ServiceId();
        byId_[std::move(id)] = std::move(interface);
        auto all = std::make_shared<std::vector<AsyncApiInterfacePtr>>();
        all->reserve(byId_.size());
        for (const auto& [key, registered] : byId_) {
            all->push_back(registered);
        }
        snapshot_ = std::move(all);
    }

    // The interface serving `method`, or null with the reason in `notFound`.
    AsyncApiInterfacePtr Find(const Core::MethodIdentifier& method, std::vector<BaseMessage>& notFound) const
    {
        std::lock_guard<Mutex> lock(mutex_);
        auto it = byId_.find(method.ServiceId());
        if (it == byId_.end()) {
            notFound.emplace_back("lumo.provider.service.not.found", "Service '{1}' is not available.",
                                  std::vector<std::string>{method.ServiceId()});
            return nullptr;
        }
        if (!it->second->HasOperation(method.OperationId())) {
            notFound.emplace_back("lumo.provider.operation.not.found",
                                  "Operation '{1}' is not available in service '{2}'.",
                                  std::vector<std::string>{method.OperationId(), method.ServiceId()});
            return nullptr;
        }
        return it->second;
    }

    // Every registered interface, ordered by service id: shared, not copied, since
    // introspection reads them on every call.
    Snapshot Interfaces() const
    {
        std::lock_guard<Mutex> lock(mutex_);
        return snapshot_;
    }

private:
    mutable Mutex mutex_;
    std::map<std::string, AsyncApiInterfacePtr, std::less<>> byId_;
    Snapshot snapshot_ = std::make_shared<const std::vector<AsyncApiInterfacePtr>>();
};

}  // namespace Lumo::Provider
