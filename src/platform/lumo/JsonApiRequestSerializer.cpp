#include "platform/lumo/JsonApiRequestSerializer.hpp"

namespace Lumo::Protocol::Json {

std::string JsonApiRequestSerializer::Serialize(const JsonApiRequest&) { return {}; }

}  // namespace Lumo::Protocol::Json
