// Lumo::Protocol::Json::JsonApiResponseSerializer: JSON-RPC answers with data values in the
// tagged form, which keeps types and error names (media types application/json,
// ...lumo.framed and ...lumo.stream.json).
//
// Stateless; thread-safe.
#pragma once

#include "platform/lumo/JsonApiSerializerBase.hpp"

namespace Lumo::Protocol::Json {

class JsonApiResponseSerializer final : public JsonApiSerializerBase {
protected:
    void WriteValue(const Data::DataValue& value, JsonWriter& writer) const override;
    void WriteNative(const Data::NativeOutput& output, JsonWriter& writer) const override;
};

}  // namespace Lumo::Protocol::Json
