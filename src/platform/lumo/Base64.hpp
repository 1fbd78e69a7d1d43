// Lumo::Protocol::Json::Base64: the standard base64 alphabet with "=" padding (RFC 4648),
// the JSON text form of binary values.
//
// Stateless; thread-safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Lumo::Protocol::Json {

class Base64 {
public:
    // The padded base64 text of `bytes`.
    static std::string Encode(const std::vector<uint8_t>& bytes);
    // The bytes of padded base64 `text`; nullopt for a length that is not a multiple of 4,
    // a character outside the alphabet (whitespace included) or misplaced padding.
    static std::optional<std::vector<uint8_t>> Decode(std::string_view text);
};

}  // namespace Lumo::Protocol::Json
