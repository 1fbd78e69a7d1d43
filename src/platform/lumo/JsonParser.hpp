// Lumo::Protocol::Json::JsonParser: parses untrusted JSON text into a RapidJSON document
// with the limits the decoders rely on.
//
// Stateless; thread-safe. Parsing is iterative, so hostile nesting cannot exhaust the
// stack; it is refused past kMaxDepth arrays and objects. Text must be UTF-8. A number
// without fraction or exponent must fit a signed 64-bit integer and is stored as one;
// every other number is stored as the nearest double.
#pragma once

#include <rapidjson/document.h>

#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/lumo/ErrorValue.hpp"

namespace Lumo::Protocol::Json {

// The text of a JSON string value, without a copy.
inline std::string_view View(const rapidjson::Value& text)
{
    return {text.GetString(), text.GetStringLength()};
}

class JsonParser {
public:
    // Deep enough for any data value the codecs accept (64 levels) inside an envelope.
    static constexpr size_t kMaxDepth = 200;

    // Parses all of `text` into `document`; null on success, else a JsonErrors::Malformed
    // error naming the offset and the fault.
    static Data::ErrorValuePtr Parse(std::string_view text, rapidjson::Document& document);
    // As Parse, but an ASCII text's strings are decoded in place inside `text`, which
    // `document` then refers to: `text` must outlive it and is no longer the JSON text
    // afterwards. Spares copying every string through the reader's stack.
    static Data::ErrorValuePtr ParseInsitu(std::string& text, rapidjson::Document& document);

    // The first member name that occurs twice in `object` (which must be an object), or nullopt.
    static std::optional<std::string_view> FindDuplicateKey(const rapidjson::Value& object);
};

}  // namespace Lumo::Protocol::Json
