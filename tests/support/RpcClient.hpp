// RpcClient: JSON-RPC calls to the daemon of a test host root, one connection per call, with
// or without credentials, and the polling of a task until it ends.
//
// Not thread-safe; one per test.
#pragma once

#include <rapidjson/document.h>

#include <chrono>
#include <string>

#include "support/TempHostRoot.hpp"

namespace TestSupport {

// One answer: the "lumo-error" header ("" on success), the body and its decoded JSON.
struct RpcAnswer {
    std::string errorName;
    std::string raw;
    rapidjson::Document body;

    const rapidjson::Value& Result() const { return body["result"]; }
    bool ErrorMentions(const std::string& text) const { return raw.find(text) != std::string::npos; }
    // The first message of the error ("" when there is none): its id and its English text.
    std::string ErrorId() const;
    std::string ErrorText() const;
};

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
    rapidjson::Document WaitTask(const std::string& id,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(15));

    static std::string UserPass(const std::string& user, const std::string& password);
    // `text` as a JSON string literal.
    static std::string Quote(const std::string& text);

private:
    const TempHostRoot& root_;
    Form form_;
    int tickets_ = 0;
};

}  // namespace TestSupport
