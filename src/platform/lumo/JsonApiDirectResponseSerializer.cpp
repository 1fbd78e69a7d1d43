#include "platform/lumo/JsonApiDirectResponseSerializer.hpp"

#include "platform/lumo/DirectJsonCodec.hpp"

namespace Lumo::Protocol::Json {

void JsonApiDirectResponseSerializer::WriteValue(const Data::DataValue& value, JsonWriter& writer) const
{
    DirectJsonCodec::Write(value, writer);
}

void JsonApiDirectResponseSerializer::WriteNative(const Data::NativeOutput& output, JsonWriter& writer) const
{
    DirectJsonCodec::Write(output, writer);
}

}  // namespace Lumo::Protocol::Json
