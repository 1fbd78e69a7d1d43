// Lumo::Core::AsyncActivation: the per-call context that travels with a call through the
// provider chain: execution context, request localizer, request id and, once a filter has
// authenticated the caller, the authentication data.
//
// Created by the transport for each call and shared by the chain elements; each element
// touches it on the thread that runs the call, one at a time, so it has no lock.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/lumo/ExecutionContext.hpp"
#include "platform/lumo/RequestLocalizer.hpp"

namespace Api {
class CallObserver;
}

namespace Lumo::Core {

// Who the caller is, as an authentication filter established it.
struct AuthenticationData {
    std::string userName;
    // Rights granted with the credentials (e.g. by a token); empty for user/password logins.
    std::set<std::string, std::less<>> entitlements;
};

struct AsyncActivation {
    // A new activation for `executionContext`, with the default request localizer
    // ("en_US", "Etc/UTC"), no request id and no authentication data.
    static std::shared_ptr<AsyncActivation> GetInstance(ExecutionContext executionContext);

    ExecutionContext executionContext;
    L10n::RequestLocalizer requestLocalizer;
    std::string requestId;
    std::optional<AuthenticationData> authData;
    // The observer of this call (its audit context), set by the call registrar; null when
    // the chain observes no calls.
    std::shared_ptr<Api::CallObserver> callObserver;
    // When the local provider handed the call to its service (Provider::Detail::
    // NotifyOnInvoke); unset while no service was reached: a filter refused the call or
    // no service serves its operation.
    std::optional<std::chrono::steady_clock::time_point> serviceStart;
};

}  // namespace Lumo::Core
