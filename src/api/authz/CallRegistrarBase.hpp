// Lumo::Observer::Detail::CallRegistrarBase: the chain element that gives every call an
// observer (reachable from the activation) and tells it how the call ended.
//
// Shared chain element holding its next element; Invoke runs on the endpoint thread. The
// result callback may run later, on any thread; it touches only the call's own objects.
#pragma once

#include <memory>
#include <string>

#include "api/authz/CallInfo.hpp"
#include "platform/lumo/AsyncApiProvider.hpp"

namespace Lumo::Observer::Detail {

class CallRegistrarBase : public Core::AsyncApiProvider,
                          public std::enable_shared_from_this<CallRegistrarBase> {
public:
    explicit CallRegistrarBase(std::shared_ptr<Core::AsyncApiProvider> next) : next_(std::move(next)) {}

    std::string Name() const override { return "CallRegistrarBase"; }

    // Attaches a new observer to the activation, passes the call on and, when its final
    // result arrives, tells the observer before handing the result back.
    void Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr input,
                std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncApiResultCb resultCb) override;

protected:
    // The observer of one call of `method`.
    virtual std::shared_ptr<Api::CallInfo> CreateObserver(const Core::MethodIdentifier& method) = 0;

private:
    std::shared_ptr<Core::AsyncApiProvider> next_;
};

}  // namespace Lumo::Observer::Detail
