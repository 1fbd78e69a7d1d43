// Lumo::Protocol::Json::JsonWriter: the RapidJSON writer the codecs write into. A caller can
// write an envelope around a value with the same writer, so the encoded value is never copied.
#pragma once

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace Lumo::Protocol::Json {

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

}  // namespace Lumo::Protocol::Json
