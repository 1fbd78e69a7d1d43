// RpcClient: one JSON-RPC 2.0 call at a time to the daemon over HTTP/1.1 on the loopback
// addresses (127.0.0.1, then ::1), with Boost.Beast doing the HTTP.
//
// Each call opens its own connection and closes it with the answer. Not thread-safe.
#pragma once

#include <rapidjson/document.h>

#include <cstdint>
#include <string>

namespace HostprefCtl {

// The data form of the answer: direct (plain JSON) or the daemon's tagged standard form.
enum class AnswerForm { Direct, Tagged };

struct RpcAnswer {
    std::string body;       // the answer as received
    std::string errorName;  // the "lumo-error" header; empty on success
    rapidjson::Document json;

    bool IsError() const { return json.HasMember("error"); }
    const rapidjson::Value& Result() const { return json["result"]; }
    const rapidjson::Value& Error() const { return json["error"]; }
};

class RpcClient {
public:
    explicit RpcClient(uint16_t port) : port_(port) {}

    uint16_t Port() const { return port_; }

    // Calls `method` ("service.operation") with `params` (an object, "__ctx" included).
    // Throws ConnectError when no daemon answers and ClientError(kExitFailed) when the
    // answer is not a JSON-RPC response.
    RpcAnswer Call(const std::string& method, rapidjson::Value& params, AnswerForm form);

private:
    std::string Post(const std::string& body, AnswerForm form, std::string& errorName);

    const uint16_t port_;
    int nextId_ = 1;
};

}  // namespace HostprefCtl
