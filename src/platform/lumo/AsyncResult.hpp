// Lumo::Core::AsyncResult<T>: the typed end of one call, handed to a service implementation
// by its generated binder. The implementation calls Succeed or Fail exactly once, on any
// thread, possibly after the operation returned.
//
// A copyable handle over the call's completion function; copies share nothing else.
#pragma once

#include <functional>
#include <utility>

#include "platform/lumo/ErrorValue.hpp"

namespace Lumo::Core {

template <class T>
class AsyncResult {
public:
    using Completion = std::function<void(T*, Data::ErrorValuePtr)>;

    explicit AsyncResult(Completion completion) : completion_(std::move(completion)) {}

    // Delivers the operation's output.
    void Succeed(T output) const { completion_(&output, nullptr); }
    // Delivers a failure; `error` is one of the standard error values.
    void Fail(Data::ErrorValuePtr error) const { completion_(nullptr, std::move(error)); }

private:
    Completion completion_;
};

template <>
class AsyncResult<void> {
public:
    using Completion = std::function<void(Data::ErrorValuePtr)>;

    explicit AsyncResult(Completion completion) : completion_(std::move(completion)) {}

    void Succeed() const { completion_(nullptr); }
    void Fail(Data::ErrorValuePtr error) const { completion_(std::move(error)); }

private:
    Completion completion_;
};

}  // namespace Lumo::Core
