// RpcClient: JSON-RPC calls (CallRpc) to the daemon of a test host root, as the holder of
// one-time tickets, and the polling of a task until it ends.
//
// Not thread-safe; one per test.
#pragma once

#include <rapidjson/document.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/RpcCall.hpp"
#include "support/TempHostRoot.hpp"

namespace TestSupport {

class RpcClient {
public:
    enum class Form { kTagged, kDirect };

    explicit RpcClient(const TempHostRoot& root, Form form = Form::kTagged) : root_(root), form_(form) {}

    // Calls `method` with `params` (a JSON object) and the security context `security` (a JSON
    // object; "" for none).
    RpcAnswer Call(const std::string& method, const std::string& params = "{}",
                   const std::string& security = "");
    // Calls as the holder of a fresh one-time ticket named `ticket` (the caller's user name).
    RpcAnswer CallWithTicket(const std::string& method, const std::string& params = "{}",
                             const std::string& ticket = "");
    // Calls a task operation and returns the task id, failing the test when no task starts.
    std::string StartTask(const std::string& method, const std::string& params);
    // Polls the tasks service until task `id` has succeeded or failed; its info, direct form.
    // `runningProgress`, when given, receives each new progress value seen while RUNNING.
    rapidjson::Document WaitTask(const std::string& id,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(15),
                                 std::vector<int>* runningProgress = nullptr);

    static std::string UserPass(const std::string& user, const std::string& password);

private:
    const TempHostRoot& root_;
    Form form_;
};

}  // namespace TestSupport
