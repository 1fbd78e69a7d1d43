// Lumo::Protocol::Json::JsonApiRequest: one decoded API call, the request id to echo back,
// the operation, its input and the execution context the client sent.
//
// A plain value owned by the transaction that decoded it; thread-safe as a const value.
#pragma once

#include <string>

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/ExecutionContext.hpp"
#include "platform/lumo/MethodIdentifier.hpp"

namespace Lumo::Protocol::Json {

struct JsonApiRequest {
    // The request's "id" as JSON text ("7", "\"abc\"", "null"), echoed in the answer.
    std::string requestId = "null";
    Core::MethodIdentifier method{"", ""};
    // The named parameters: an untyped structure with one field per parameter (never null).
    Data::DataValuePtr input;
    // Application and security context from the payload; the peer is left unset.
    Core::ExecutionContext executionContext;
};

}  // namespace Lumo::Protocol::Json
