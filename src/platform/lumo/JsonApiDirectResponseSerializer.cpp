#include "platform/lumo/JsonApiDirectResponseSerializer.hpp"

#include "platform/lumo/DirectJsonCodec.hpp"

namespace Lumo::Protocol::Json {

void JsonApiDirectResponseSerializer::WriteValue(const Data::DataValue& value, JsonWriter& writer) const
{
    DirectJsonCodec::Write(value, writer);
}

}  // namespace Lumo::Protocol::Json
