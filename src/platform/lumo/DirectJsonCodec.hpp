// Lumo::Protocol::Json::DirectJsonCodec: the direct ("clean") JSON form of data values, the
// plain JSON a client would write by hand: structures and errors as objects of their fields,
// optionals as null or their value, enumerations, secrets, datetimes and base64 binaries as
// strings. Type names and kinds are not kept, so decoding yields generic values (objects
// become untyped structures, null an unset optional); docs/api.md gives the rules.
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

class DirectJsonCodec : public JsonTextCodec<DirectJsonCodec> {
public:
    // Values nested deeper than this are refused by the decoder.
    static constexpr size_t kMaxDepth = 64;

    // Writes `value` into `writer` as one JSON value (Encode and Decode of JSON text come
    // from JsonTextCodec).
    static void Write(const Data::DataValue& value, JsonWriter& writer);
    // Writes the value `output` emits, as Write would write its data value.
    static void Write(const Data::NativeOutput& output, JsonWriter& writer);
    // The generic value of `json` (part of a parsed document), or why there is none.
    static JsonDecodeResult FromJson(const rapidjson::Value& json);
};

}  // namespace Lumo::Protocol::Json
