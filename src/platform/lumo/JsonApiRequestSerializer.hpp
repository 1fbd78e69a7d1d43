// Lumo::Protocol::Json::JsonApiRequestSerializer: writes a JsonApiRequest as the JSON-RPC
// 2.0 request body that JsonApiRequestDeserializer reads back into an equal request. Used by
// clients written in C++ (tests, tools) and to check the decoder.
//
// Stateless; thread-safe.
#pragma once

#include <string>

#include "platform/lumo/JsonApiRequest.hpp"

namespace Lumo::Protocol::Json {

class JsonApiRequestSerializer {
public:
    // The request body for `request`; its input must be a structure (null: no params).
    // A security context whose user name equals its password is written as a "ticket".
    static std::string Serialize(const JsonApiRequest& request);
};

}  // namespace Lumo::Protocol::Json
