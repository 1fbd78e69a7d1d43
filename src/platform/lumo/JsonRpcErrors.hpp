// Lumo::Protocol::Json::JsonRpcErrors: the error values the JSON-RPC envelope decoder answers
// with, and the JSON-RPC error code of an error value. Each error is a
// com.orvane.lumo.std.errors.invalid_argument with one message:
//   "lumo.jsonrpc.invalid.request"  "Invalid JSON-RPC 2.0 request: {1}"
//   "lumo.jsonrpc.invalid.method"   "Invalid method \"{1}\": expected a service id and an
//                                    operation id joined by a dot"
//   "lumo.jsonrpc.invalid.context"  "Invalid execution context in params.__ctx: {1}"
// Stateless; thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/lumo/ErrorValue.hpp"

namespace Lumo::Protocol::Json {

class JsonRpcErrors {
public:
    // JSON-RPC 2.0 error codes.
    static constexpr int64_t kParseError = -32700;
    static constexpr int64_t kInvalidRequest = -32600;
    static constexpr int64_t kMethodNotFound = -32601;
    static constexpr int64_t kInvalidParams = -32602;
    static constexpr int64_t kInternalError = -32603;
    static constexpr int64_t kServerError = -32000;

    // The envelope is not a valid JSON-RPC 2.0 request, for `reason`.
    static Data::ErrorValuePtr InvalidRequest(std::string_view reason);
    // "method" does not name a service and an operation.
    static Data::ErrorValuePtr InvalidMethod(std::string_view method);
    // params.__ctx is not a valid execution context, for `reason`.
    static Data::ErrorValuePtr InvalidContext(std::string_view reason);

    // The JSON-RPC error code for `error` (the table in docs/api.md).
    static int64_t CodeOf(const Data::ErrorValue& error);
    // The text for the JSON-RPC "message": the first message's localized text, else its
    // default text, else the error's name.
    static std::string MessageOf(const Data::ErrorValue& error);
};

}  // namespace Lumo::Protocol::Json
