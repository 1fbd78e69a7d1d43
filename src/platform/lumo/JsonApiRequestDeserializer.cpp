#include "platform/lumo/JsonApiRequestDeserializer.hpp"

#include "platform/lumo/JsonRpcErrors.hpp"

namespace Lumo::Protocol::Json {

JsonApiRequestDeserializer::Result JsonApiRequestDeserializer::Deserialize(std::string_view) const
{
    return {std::nullopt, JsonRpcErrors::InvalidRequest("not implemented yet")};
}

}  // namespace Lumo::Protocol::Json
