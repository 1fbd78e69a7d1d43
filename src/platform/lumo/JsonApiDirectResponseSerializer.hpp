// Lumo::Protocol::Json::JsonApiDirectResponseSerializer: JSON-RPC answers with data values in
// the direct ("clean") form, plain JSON without type names (the cleanjson media types).
//
// Stateless; thread-safe.
#pragma once

#include "platform/lumo/JsonApiSerializerBase.hpp"

namespace Lumo::Protocol::Json {

class JsonApiDirectResponseSerializer final : public JsonApiSerializerBase {
protected:
    void WriteValue(const Data::DataValue& value, JsonWriter& writer) const override;
    void WriteNative(const Data::NativeOutput& output, JsonWriter& writer) const override;
};

}  // namespace Lumo::Protocol::Json
