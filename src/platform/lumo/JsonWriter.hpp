// Lumo::Protocol::Json::JsonWriter: the RapidJSON writer the codecs write into. A caller can
// write an envelope around a value with the same writer, so the encoded value is never copied.
#pragma once

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/lumo/Utf8.hpp"

namespace Lumo::Protocol::Json {

class JsonWriter : public rapidjson::Writer<rapidjson::StringBuffer> {
public:
    explicit JsonWriter(rapidjson::StringBuffer& buffer) : rapidjson::Writer<rapidjson::StringBuffer>(buffer) {}

    // Writes `text` as a JSON string (a member name and a string value are written alike);
    // ill-formed UTF-8 is repaired first (Utf8::Repair), so the output is always valid JSON.
    void Text(std::string_view text)
    {
        if (IsPlain(text)) {
            PutPlain(text);
            return;
        }
        std::string repaired;
        if (!Utf8::IsValid(text)) {
            repaired = Utf8::Repair(text);
            text = repaired;
        }
        String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
    }

private:
    // True when every byte is printable ASCII other than the quote and the backslash: such a
    // text is its own JSON form, which is what almost every name and value is. Eight bytes
    // are tested at a time (a byte is "zero" after the XOR when it equals the one sought).
    static bool IsPlain(std::string_view text)
    {
        constexpr uint64_t kOnes = 0x0101010101010101ULL;
        constexpr uint64_t kHigh = 0x8080808080808080ULL;
        auto hasZero = [](uint64_t word) { return (word - kOnes) & ~word & kHigh; };
        size_t pos = 0;
        for (; pos + 8 <= text.size(); pos += 8) {
            uint64_t word;
            std::memcpy(&word, text.data() + pos, sizeof(word));
            const uint64_t control = (word - kOnes * 0x20) & ~word & kHigh;
            if ((word & kHigh) | control | hasZero(word ^ (kOnes * '"')) | hasZero(word ^ (kOnes * '\\'))) {
                return false;
            }
        }
        for (; pos < text.size(); ++pos) {
            const auto byte = static_cast<unsigned char>(text[pos]);
            if (byte < 0x20 || byte >= 0x80 || byte == '"' || byte == '\\') {
                return false;
            }
        }
        return true;
    }

    // The quoted text copied as it is, after the separator that its place needs.
    void PutPlain(std::string_view text)
    {
        Prefix(rapidjson::kStringType);
        char* out = os_->Push(text.size() + 2);
        out[0] = '"';
        std::memcpy(out + 1, text.data(), text.size());
        out[text.size() + 1] = '"';
        EndValue(true);
    }
};

}  // namespace Lumo::Protocol::Json
