#include "platform/lumo/Utf8.hpp"

#include <cstdint>
#include <cstring>

namespace Lumo::Protocol::Json {

namespace {

// The length of the well-formed sequence at `pos`, or 0 when the byte there starts none.
size_t SequenceLength(std::string_view text, size_t pos)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    if (lead < 0x80) {
        return 1;
    }
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (pos + length > text.size() || byte(pos + 1) < low || byte(pos + 1) > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

}  // namespace

bool Utf8::IsValid(std::string_view text)
{
    for (size_t pos = 0; pos < text.size();) {
        size_t length = SequenceLength(text, pos);
        if (length == 0) {
            return false;
        }
        pos += length;
    }
    return true;
}

bool Utf8::IsAscii(std::string_view text)
{
    // Eight bytes at a time: any byte with its high bit set shows in the mask.
    constexpr uint64_t kHighBits = 0x8080808080808080ULL;
    uint64_t seen = 0;
    size_t pos = 0;
    for (; pos + 8 <= text.size(); pos += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + pos, sizeof(word));
        seen |= word;
    }
    for (; pos < text.size(); ++pos) {
        seen |= static_cast<unsigned char>(text[pos]);
    }
    return (seen & kHighBits) == 0;
}

std::string Utf8::Repair(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t pos = 0; pos < text.size();) {
        size_t length = SequenceLength(text, pos);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++pos;
        } else {
            out.append(text, pos, length);
            pos += length;
        }
    }
    return out;
}

}  // namespace Lumo::Protocol::Json
