// JsonTextCodec<Codec>: the JSON-text entry points of a value codec, built on the codec's
// own `Write(value, writer)` and `FromJson(json)`. Stateless; thread-safe.
#pragma once

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>

#include <string>
#include <string_view>

#include "platform/lumo/DataValue.hpp"
#include "platform/lumo/JsonDecodeResult.hpp"
#include "platform/lumo/JsonParser.hpp"
#include "platform/lumo/JsonWriter.hpp"

namespace Lumo::Protocol::Json {

template <class Codec>
class JsonTextCodec {
public:
    // `value` as JSON text.
    static std::string Encode(const Data::DataValue& value)
    {
        rapidjson::StringBuffer buffer;
        JsonWriter writer(buffer);
        Codec::Write(value, writer);
        return std::string(buffer.GetString(), buffer.GetSize());
    }

    // The value of the JSON text `bytes`, or why there is none.
    static JsonDecodeResult Decode(std::string_view bytes)
    {
        rapidjson::Document document;
        if (auto error = JsonParser::Parse(bytes, document)) {
            return {nullptr, std::move(error)};
        }
        return Codec::FromJson(document);
    }
};

}  // namespace Lumo::Protocol::Json
