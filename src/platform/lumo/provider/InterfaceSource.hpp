// Lumo::Provider::Introspection::InterfaceSource: how the introspection services see the
// provider's registered services, without owning the container that holds them (the
// container holds the introspection services, so owning it back would keep both alive).
//
// A copyable function object; thread-safe as the container it reads.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/lumo/AsyncApiInterface.hpp"
#include "platform/lumo/AsyncApiInterfaceConcurrentContainer.hpp"

namespace Lumo::Provider::Introspection {

// The registered interfaces, ordered by service id (never null; empty once the container
// is gone). Equal pointers from one source mean an unchanged set.
using InterfaceSnapshot = std::shared_ptr<const std::vector<AsyncApiInterfacePtr>>;
using InterfaceSource = std::function<InterfaceSnapshot()>;

// A source reading `container` while it lives.
template <class Mutex>
InterfaceSource InterfacesOf(const std::shared_ptr<AsyncApiInterfaceConcurrentContainer<Mutex>>& container)
{
    std::weak_ptr<AsyncApiInterfaceConcurrentContainer<Mutex>> weak = container;
    return [weak]() -> InterfaceSnapshot {
        auto alive = weak.lock();
        return alive ? alive->Interfaces() : std::make_shared<const std::vector<AsyncApiInterfacePtr>>();
    };
}

}  // namespace Lumo::Provider::Introspection
