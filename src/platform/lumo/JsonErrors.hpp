// Lumo::Protocol::Json::JsonErrors: the error values the JSON decoders answer with. Each is
// a com.orvane.lumo.std.errors.invalid_argument with one message rendered from its default
// English text:
//   "lumo.json.malformed"      "Malformed JSON at offset {1}: {2}"
//   "lumo.json.invalid.value"  "Invalid data value at {1}: {2}"
// Stateless; thread-safe.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/lumo/ErrorValue.hpp"

namespace Lumo::Protocol::Json {

class JsonErrors {
public:
    // The text is not JSON (or breaks a parser limit) at byte `offset`, for `reason`.
    static Data::ErrorValuePtr Malformed(size_t offset, std::string_view reason);
    // Well-formed JSON that is not a valid data value at `path` (JSON pointer form, "/" for the root).
    static Data::ErrorValuePtr InvalidValue(std::string_view path, std::string_view reason);
};

}  // namespace Lumo::Protocol::Json
