// Lumo::Protocol::Json::JsonApiRequestDeserializer: decodes a JSON-RPC 2.0 request body
// into a JsonApiRequest, or into the error value that says why it cannot be decoded. The
// envelope and the reserved "__ctx" member are described in docs/api.md.
//
// Stateless; thread-safe. Untrusted input never crashes it: depth, size and encoding
// limits are those of JsonParser and DirectJsonCodec.
#pragma once

#include <optional>
#include <string_view>

#include "platform/lumo/ErrorValue.hpp"
#include "platform/lumo/JsonApiRequest.hpp"

namespace Lumo::Protocol::Json {

class JsonApiRequestDeserializer {
public:
    // The params member that carries the execution context instead of a parameter.
    static constexpr std::string_view kContextMember = "__ctx";

    struct Result {
        std::optional<JsonApiRequest> request;  // set on success
        Data::ErrorValuePtr error;              // set on failure: an invalid_argument error

        bool Ok() const { return error == nullptr; }
    };

    // Decodes the request body `body`.
    Result Deserialize(std::string_view body) const;
};

}  // namespace Lumo::Protocol::Json
