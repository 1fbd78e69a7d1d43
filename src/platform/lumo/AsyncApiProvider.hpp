// Lumo::Core::AsyncApiProvider: the interface of every element of the provider chain (the
// filters and the local provider that routes calls to services).
//
// Elements are shared objects, each holding the next element; Invoke is called on the
// endpoint thread and must answer through the callback, never by throwing.
#pragma once

#include <memory>
#include <string>

#include "platform/lumo/AsyncActivation.hpp"
#include "platform/lumo/AsyncApiResultCb.hpp"
#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/MethodIdentifier.hpp"

namespace Lumo::Core {

class AsyncApiProvider {
public:
    virtual ~AsyncApiProvider() = default;

    // The element's name, e.g. "AsyncLocalProvider" or "LogFilter".
    virtual std::string Name() const = 0;

    // Handles one call of `method` with `input`; the result arrives through `resultCb`,
    // possibly later and on another thread.
    virtual void Invoke(const MethodIdentifier& method, Data::DataValuePtr input,
                        std::shared_ptr<AsyncActivation> activation, AsyncApiResultCb resultCb) = 0;
};

}  // namespace Lumo::Core
