// Lumo::Protocol::Json::TaggedJsonCodec: the standard (tagged) JSON form of data values. It
// keeps everything a value is made of (kinds, type names, error names, unset optionals), so
// decoding an encoded value gives an equal value. The form is described in docs/api.md.
//
// Stateless; thread-safe.
#pragma once

#include <rapidjson/document.h>

#include <cstddef>

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/JsonDecodeResult.hpp"
#include "platform/lumo/JsonTextCodec.hpp"
#include "platform/lumo/JsonWriter.hpp"
#include "platform/lumo/NativeOutput.hpp"

namespace Lumo::Protocol::Json {

class TaggedJsonCodec : public JsonTextCodec<TaggedJsonCodec> {
public:
    // Values nested deeper than this are refused by the decoder.
    static constexpr size_t kMaxDepth = 64;

    // Writes `value` into `writer` as one JSON value (Encode and Decode of JSON text come
    // from JsonTextCodec).
    static void Write(const Data::DataValue& value, JsonWriter& writer);
    // Writes the value `output` emits, as Write would write its data value.
    static void Write(const Data::NativeOutput& output, JsonWriter& writer);
    // The value that `json` (part of a parsed document) encodes, or why it encodes none.
    static JsonDecodeResult FromJson(const rapidjson::Value& json);
};

}  // namespace Lumo::Protocol::Json
