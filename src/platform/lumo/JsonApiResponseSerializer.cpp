#include "platform/lumo/JsonApiResponseSerializer.hpp"

#include "platform/lumo/TaggedJsonCodec.hpp"

namespace Lumo::Protocol::Json {

void JsonApiResponseSerializer::WriteValue(const Data::DataValue& value, JsonWriter& writer) const
{
    TaggedJsonCodec::Write(value, writer);
}

void JsonApiResponseSerializer::WriteNative(const Data::NativeOutput& output, JsonWriter& writer) const
{
    TaggedJsonCodec::Write(output, writer);
}

}  // namespace Lumo::Protocol::Json
