// Lumo::Bindings::AsyncServiceBinderBase: the provider-facing interface of one service
// implementation, as the generated binders build it: a table of operations, each with its
// parameter names and a handler that decodes the parameters, calls the implementation and
// hands it the typed result. ServiceBinder<I> binds the table to an implementation of I.
//
// Immutable after creation and owned by the provider's container; Invoke runs on the
// calling thread, results may arrive on any thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lumo/AsyncApiInterface.hpp"
#include "platform/lumo/BoundCall.hpp"
#include "platform/lumo/Localizer.hpp"

namespace Lumo::Bindings {

class AsyncServiceBinderBase : public Provider::AsyncApiInterface {
public:
    const std::string& ServiceId() const override { return serviceId_; }
    const std::vector<std::string>& OperationIds() const override { return operationIds_; }

    // Refuses an input that is not a structure of the operation's parameters (InvalidArgument,
    // the implementation is not called), else runs the operation's handler. An exception
    // that escapes the implementation answers InternalServerError unless it already answered.
    void Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr input,
                std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncApiResultCb resultCb) override;

protected:
    // `parameters[i]` lists the parameter names of operation `operationIds[i]`.
    AsyncServiceBinderBase(std::string_view serviceId, std::vector<std::string> operationIds,
                           std::vector<std::vector<std::string_view>> parameters,
                           std::shared_ptr<L10n::Localizer> localizer);

    // Runs operation number `index` for `call`.
    virtual void Dispatch(size_t index, BoundCall& call) = 0;

private:
    L10n::RequestLocalizer LocalizerFor(const Core::AsyncActivation* activation) const;

    std::string serviceId_;
    std::vector<std::string> operationIds_;
    std::vector<std::vector<std::string_view>> parameters_;
    std::shared_ptr<L10n::Localizer> localizer_;
};

template <class Interface>
class ServiceBinder final : public AsyncServiceBinderBase {
public:
    using Handler = void (*)(Interface& impl, BoundCall& call);

    struct Operation {
        std::string_view id;
        std::vector<std::string_view> parameters;
        Handler handler;
    };

    // The interface of `impl` serving `operations`.
    static Provider::AsyncApiInterfacePtr Create(std::string_view serviceId, std::shared_ptr<Interface> impl,
                                                 std::shared_ptr<L10n::Localizer> localizer,
                                                 std::vector<Operation> operations)
    {
        std::vector<std::string> ids;
        std::vector<std::vector<std::string_view>> parameters;
        std::vector<Handler> handlers;
        for (auto& operation : operations) {
            ids.emplace_back(operation.id);
            parameters.push_back(std::move(operation.parameters));
            handlers.push_back(operation.handler);
        }
        return std::shared_ptr<ServiceBinder>(new ServiceBinder(serviceId, std::move(ids), std::move(parameters),
                                                                std::move(localizer), std::move(impl),
                                                                std::move(handlers)));
    }

private:
    ServiceBinder(std::string_view serviceId, std::vector<std::string> ids,
                  std::vector<std::vector<std::string_view>> parameters, std::shared_ptr<L10n::Localizer> localizer,
                  std::shared_ptr<Interface> impl, std::vector<Handler> handlers)
        : AsyncServiceBinderBase(serviceId, std::move(ids), std::move(parameters), std::move(localizer)),
          impl_(std::move(impl)),
          handlers_(std::move(handlers))
    {
    }

    void Dispatch(size_t index, BoundCall& call) override { handlers_[index](*impl_, call); }

    std::shared_ptr<Interface> impl_;
    std::vector<Handler> handlers_;
};

}  // namespace Lumo::Bindings
