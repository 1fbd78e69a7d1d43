// RpcCall: one JSON-RPC call to the daemon over a fresh loopback connection, as a client
// makes it, and its answer decoded. Not thread-safe; for tests.
#pragma once

#include <rapidjson/document.h>

#include <string>

namespace TestSupport {

// One JSON-RPC answer: the "lumo-error" header ("" on success) and the decoded body.
struct RpcAnswer {
    std::string errorName;
    rapidjson::Document body;
    std::string raw;

    const rapidjson::Value& Result() const { return body["result"]; }
    // Whether the body mentions `text` anywhere (an id, a message, an argument).
    bool Mentions(const std::string& text) const { return raw.find(text) != std::string::npos; }
    // The first message of a direct-form error ("" when there is none): its id and its text.
    std::string ErrorId() const;
    std::string ErrorText() const;
};

// Calls `method` on the daemon at `port` with the JSON object `params` and, when given, the
// security context `security` (a JSON object) in "__ctx". The answer comes in the tagged form,
// or in the direct form when `direct` is set.
RpcAnswer CallRpc(int port, const std::string& method, const std::string& params = "{}",
                  const std::string& security = "", bool direct = false);

// `text` as a JSON string literal.
std::string JsonString(const std::string& text);

// The payload of a chunked HTTP/1.1 answer.
std::string Dechunk(const std::string& answer);

}  // namespace TestSupport
