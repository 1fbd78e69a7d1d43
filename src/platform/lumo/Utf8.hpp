// Lumo::Protocol::Json::Utf8: checks and repairs UTF-8 text before it is written as JSON, so
// that bytes from outside (tool output, files) never make the encoders emit invalid JSON.
//
// Stateless; thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace Lumo::Protocol::Json {

class Utf8 {
public:
    // True when `text` is well-formed UTF-8 (no overlong forms, surrogates or code points
    // above U+10FFFF).
    static bool IsValid(std::string_view text);
    // True when every byte of `text` is below 0x80: such a text is valid UTF-8 as it stands.
    static bool IsAscii(std::string_view text);
    // `text` with each byte that does not start a well-formed sequence replaced by U+FFFD.
    static std::string Repair(std::string_view text);
};

}  // namespace Lumo::Protocol::Json
