// Lumo::Provider::AsyncLocalProvider: the innermost element of the provider chain; routes
// each call to the registered service that serves it.
//
// Never calls a service synchronously: every call is posted through the dispatcher and
// runs on a later turn of the I/O context. AsyncLocalProviderFactory (lumo_provider) makes
// one that also serves the introspection services. Shared object (the posted work holds it);
// calling it after its last owner let go throws std::bad_weak_ptr.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/lumo/AsyncApiInterfaceConcurrentContainer.hpp"
#include "platform/lumo/AsyncApiProvider.hpp"
#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/LocalizableMessage.hpp"
#include "platform/lumo/NotifyOnInvoke.hpp"

namespace Lumo::Provider {

// Posts work onto the I/O context that runs the endpoint.
using Dispatcher = std::function<void(std::function<void()>)>;

inline constexpr const char* kOperationNotFound = "com.orvane.lumo.std.errors.operation_not_found";

template <class Mutex>
class AsyncLocalProvider : public Core::AsyncApiProvider,
                           public std::enable_shared_from_this<AsyncLocalProvider<Mutex>> {
public:
    using Container = AsyncApiInterfaceConcurrentContainer<Mutex>;

    AsyncLocalProvider(Dispatcher dispatcher, std::shared_ptr<Container> container)
        : dispatcher_(std::move(dispatcher)), container_(std::move(container))
    {
    }

    std::string Name() const override { return "AsyncLocalProvider"; }

    void Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr input,
                std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncApiResultCb resultCb) override
    {
        dispatcher_([self = this->shared_from_this(), method, input = std::move(input),
                     activation = std::move(activation), resultCb = std::move(resultCb)]() mutable {
            self->Dispatch(method, std::move(input), std::move(activation), std::move(resultCb));
        });
    }

    // The services this provider routes to.
    const std::shared_ptr<Container>& GetContainer() const { return container_; }

private:
    void Dispatch(const Core::MethodIdentifier& method, Data::DataValuePtr input,
                  std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncApiResultCb resultCb)
    {
        std::vector<BaseMessage> notFound;
        AsyncApiInterfacePtr interface = container_->Find(method, notFound);
        if (!interface) {
            std::vector<Data::DataValuePtr> messages;
            for (const BaseMessage& message : notFound) {
                messages.push_back(
                    Com::Orvane::Lumo::Std::LocalizableMessage::Render(message, activation->requestLocalizer)
                        .ToValue());
            }
            resultCb(Core::MethodResult::FromError(Data::ErrorValue::Create(kOperationNotFound, std::move(messages))));
            return;
        }
        Detail::NotifyOnInvoke(*activation);
        interface->Invoke(method, std::move(input), std::move(activation), std::move(resultCb));
    }

    const Dispatcher dispatcher_;
    const std::shared_ptr<Container> container_;
};

}  // namespace Lumo::Provider
