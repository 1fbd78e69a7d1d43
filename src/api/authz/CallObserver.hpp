// Api::CallObserver: learns what the provider chain decided about one call (authentication,
// authorization, outcome) and collects the entries that go into its audit records.
//
// One per call, reachable from the call's activation; the chain elements report to it one
// after another on the thread that runs the call, so implementations need no lock.
#pragma once

#include <optional>
#include <string>

namespace Api {

class CallObserver {
public:
    virtual ~CallObserver() = default;

    // Adds or replaces one audit entry of the call.
    virtual void SetAuditEntry(const std::string& key, std::string value) = 0;

    // Authentication of the call ran and succeeded or failed.
    virtual void OnAuthentication(bool success) = 0;

    // Authorization refused the call; the service is not called.
    virtual void OnAccessDenied() = 0;

    // The call ended with a value (`success`) or an error; `user` is its authenticated user.
    virtual void OnCallEnd(std::optional<std::string> user, bool success) = 0;
};

}  // namespace Api
