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

    // Every registered interface, ordered by service id.
    std::vector<AsyncApiInterfacePtr> Interfaces() const
    {
        std::lock_guard<Mutex> lock(mutex_);
        std::vector<AsyncApiInterfacePtr> all;
        all.reserve(byId_.size());
        for (const auto& [id, interface] : byId_) {
            all.push_back(interface);
        }
        return all;
    }

private:
    mutable Mutex mutex_;
    std::map<std::string, AsyncApiInterfacePtr, std::less<>> byId_;
};

}  // namespace Lumo::Provider
