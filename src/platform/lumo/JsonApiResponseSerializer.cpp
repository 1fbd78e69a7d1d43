#include "platform/lumo/JsonApiResponseSerializer.hpp"

#include "platform/lumo/TaggedJsonCodec.hpp"

namespace Lumo::Protocol::Json {

void JsonApiResponseSerializer::WriteValue(const Data::DataValue& value, JsonWriter& writer) const
{
    TaggedJsonCodec::Write(value, writer);
}

}  // namespace Lumo::Protocol::Json
