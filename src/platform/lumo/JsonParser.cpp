#include "platform/lumo/JsonParser.hpp"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/lumo/JsonErrors.hpp"
#include "platform/lumo/Utf8.hpp"

namespace Lumo::Protocol::Json {

namespace {

// Forwards the reader's events to the document, refusing excessive nesting and turning the
// raw number texts into int64 or double by our own rules.
class LimitedHandler {
public:
    explicit LimitedHandler(rapidjson::Document& document) : document_(document) {}

    // Why the handler stopped the parse; empty when it did not.
    const std::string& Fault() const { return fault_; }

    bool Null() { return document_.Null(); }
    bool Bool(bool b) { return document_.Bool(b); }
    bool Int(int i) { return document_.Int(i); }
    bool Uint(unsigned u) { return document_.Uint(u); }
    bool Int64(int64_t i) { return document_.Int64(i); }
    bool Uint64(uint64_t u) { return document_.Uint64(u); }
    bool Double(double d) { return document_.Double(d); }
    bool String(const char* text, rapidjson::SizeType length, bool copy)
    {
        return WellFormed(text, length) && document_.String(text, length, copy);
    }
    bool Key(const char* text, rapidjson::SizeType length, bool copy)
    {
        return WellFormed(text, length) && document_.Key(text, length, copy);
    }
    bool StartObject() { return Enter() && document_.StartObject(); }
    bool EndObject(rapidjson::SizeType count)
    {
        --depth_;
        return document_.EndObject(count);
    }
    bool StartArray() { return Enter() && document_.StartArray(); }
    bool EndArray(rapidjson::SizeType count)
    {
        --depth_;
        return document_.EndArray(count);
    }

    bool RawNumber(const char* text, rapidjson::SizeType length, bool /*copy*/)
    {
        std::string_view number(text, length);
        if (number.find_first_of(".eE") == std::string_view::npos) {
            int64_t integer = 0;
            auto [end, status] = std::from_chars(number.data(), number.data() + number.size(), integer);
            if (status != std::errc() || end != number.data() + number.size()) {
                return Stop("integer " + std::string(number) + " is out of the 64-bit range");
            }
            return document_.Int64(integer);
        }
        double real = 0;
        auto [end, status] = std::from_chars(number.data(), number.data() + number.size(), real);
        if (status == std::errc::result_out_of_range) {
            // from_chars refuses underflow too; a number too small for a double is taken as
            // the nearest one (zero), as any JSON reader would.
            real = std::strtod(std::string(number).c_str(), nullptr);
        } else if (status != std::errc() || end != number.data() + number.size()) {
            return Stop("number " + std::string(number) + " is not a valid number");
        }
        if (!std::isfinite(real)) {
            return Stop("number " + std::string(number) + " is out of the double range");
        }
        return document_.Double(real);
    }

private:
    // The reader validates the raw bytes but decodes an unpaired "\\uDC00".."\\uDFFF" escape
    // into the three-byte form of a surrogate, which is not UTF-8. Only such escapes can put
    // a 0xED lead byte of a surrogate into a string, so the full check runs only when one is
    // present.
    bool WellFormed(const char* text, rapidjson::SizeType length)
    {
        std::string_view value(text, length);
        if (value.find('\xED') == std::string_view::npos || Utf8::IsValid(value)) {
            return true;
        }
        return Stop("a string holds an unpaired UTF-16 surrogate escape");
    }

    bool Enter()
    {
        if (++depth_ > JsonParser::kMaxDepth) {
            return Stop("nesting deeper than " + std::to_string(JsonParser::kMaxDepth) + " levels");
        }
        return true;
    }

    bool Stop(std::string fault)
    {
        fault_ = std::move(fault);
        return false;
    }

    rapidjson::Document& document_;
    size_t depth_ = 0;
    std::string fault_;
};

// Parses the `size` bytes that `stream` reads into `document`, with the reader's `kMode`
// flags on top of ours.
template <unsigned kMode, class Stream>
Data::ErrorValuePtr ParseStream(Stream& stream, size_t size, bool ascii, rapidjson::Document& document)
{
    constexpr unsigned kFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag | kMode;
    rapidjson::Reader reader;
    LimitedHandler handler(document);
    rapidjson::ParseResult result;
    // Text that is all ASCII is valid UTF-8 as it stands (escapes are checked by the
    // handler), so the reader's byte-by-byte validation is needed only for the rest.
    auto generator = [&](rapidjson::Document& target) {
        result = ascii ? reader.Parse<kFlags>(stream, handler)
                       : reader.Parse<kFlags | rapidjson::kParseValidateEncodingFlag>(stream, handler);
        return !result.IsError();
    };
    document.Populate(generator);
    if (!result.IsError()) {
        // The reader takes a NUL byte for the end of the input; whatever follows one would
        // otherwise pass unseen.
        if (stream.Tell() != size) {
            return JsonErrors::Malformed(stream.Tell(), "Unexpected bytes after the JSON value.");
        }
        return nullptr;
    }
    std::string reason =
        handler.Fault().empty() ? rapidjson::GetParseError_En(result.Code()) : handler.Fault();
    return JsonErrors::Malformed(result.Offset(), reason);
}

}  // namespace

Data::ErrorValuePtr JsonParser::Parse(std::string_view text, rapidjson::Document& document)
{
    rapidjson::MemoryStream stream(text.data(), text.size());
    return ParseStream<0>(stream, text.size(), Utf8::IsAscii(text), document);
}

Data::ErrorValuePtr JsonParser::ParseInsitu(std::string& text, rapidjson::Document& document)
{
    // The reader's UTF-8 validation takes the continuation bytes of a sequence without
    // looking for the end, which in place is only the NUL after the text: a text cut inside
    // a sequence would be read past its end. Such texts are parsed from a copy.
    if (!Utf8::IsAscii(text)) {
        return Parse(text, document);
    }
    rapidjson::InsituStringStream stream(text.data());
    return ParseStream<rapidjson::kParseInsituFlag>(stream, text.size(), true, document);
}

std::optional<std::string_view> JsonParser::FindDuplicateKey(const rapidjson::Value& object)
{
    auto nameOf = [](const rapidjson::Value::ConstMemberIterator& member) {
        return std::string_view(member->name.GetString(), member->name.GetStringLength());
    };
    // Objects of a few members are checked in place; larger ones (possibly hostile, with
    // many thousands of members) sorted, to stay O(n log n).
    if (object.MemberCount() <= 8) {
        for (auto i = object.MemberBegin(); i != object.MemberEnd(); ++i) {
            for (auto j = object.MemberBegin(); j != i; ++j) {
                if (nameOf(i) == nameOf(j)) {
                    return nameOf(i);
                }
            }
        }
        return std::nullopt;
    }
    std::vector<std::string_view> names;
    names.reserve(object.MemberCount());
    for (auto i = object.MemberBegin(); i != object.MemberEnd(); ++i) {
        names.push_back(nameOf(i));
    }
    std::sort(names.begin(), names.end());
    auto repeated = std::adjacent_find(names.begin(), names.end());
    if (repeated == names.end()) {
        return std::nullopt;
    }
    return *repeated;
}

}  // namespace Lumo::Protocol::Json
