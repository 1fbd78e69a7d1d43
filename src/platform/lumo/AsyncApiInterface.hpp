// Lumo::Provider::AsyncApiInterface: one service as the provider sees it — an id, the
// operations it offers, and the call entry.
//
// Made by a service binder from an implementation, owned by the provider's container for
// the life of the process. Invoked on the endpoint thread only.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lumo/AsyncActivation.hpp"
#include "platform/lumo/AsyncApiResultCb.hpp"
#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/MethodIdentifier.hpp"

namespace Lumo::Provider {

class AsyncApiInterface {
public:
    virtual ~AsyncApiInterface() = default;

    // The service id, e.g. "com.orvane.hub.tasks".
    virtual const std::string& ServiceId() const = 0;
    // The operation ids the service serves, in declaration order.
    virtual const std::vector<std::string>& OperationIds() const = 0;
    // Handles one call of an operation of this service; the outcome goes to `resultCb`.
    virtual void Invoke(const Core::MethodIdentifier& method, Data::DataValuePtr input,
                        std::shared_ptr<Core::AsyncActivation> activation, Core::AsyncApiResultCb resultCb) = 0;

    // Whether `operationId` is one of OperationIds().
    bool HasOperation(std::string_view operationId) const;
};

using AsyncApiInterfacePtr = std::shared_ptr<AsyncApiInterface>;

}  // namespace Lumo::Provider
