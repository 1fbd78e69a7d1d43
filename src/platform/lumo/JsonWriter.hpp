// Lumo::Protocol::Json::JsonWriter: the RapidJSON writer the codecs write into. A caller can
// write an envelope around a value with the same writer, so the encoded value is never copied.
#pragma once

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <string>
#include <string_view>

#include "platform/lumo/Utf8.hpp"

namespace Lumo::Protocol::Json {

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

// Writes `text` as a JSON string (as a member name when `asKey`); ill-formed UTF-8 is
// repaired first (Utf8::Repair), so the output is always valid JSON.
inline void WriteJsonText(JsonWriter& writer, std::string_view text, bool asKey = false)
{
    std::string repaired;
    if (!Utf8::IsValid(text)) {
        repaired = Utf8::Repair(text);
        text = repaired;
    }
    auto size = static_cast<rapidjson::SizeType>(text.size());
    asKey ? writer.Key(text.data(), size) : writer.String(text.data(), size);
}

}  // namespace Lumo::Protocol::Json
