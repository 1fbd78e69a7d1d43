// Fuzz target: the tagged JSON codec that the task store and the wire share. Any input must
// decode or be refused, never crash; a decoded value encodes to text that decodes to an equal
// value, and encoding that again gives the same text, so nothing a client or a tool stored
// changes on its way through the daemon. Parsing the text in place must accept, refuse and
// read exactly what parsing a copy does.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <rapidjson/writer.h>

#include "FuzzSupport.hpp"
#include "platform/lumo/JsonParser.hpp"
#include "platform/lumo/TaggedJsonCodec.hpp"

using Lumo::Protocol::Json::JsonParser;
using Lumo::Protocol::Json::TaggedJsonCodec;

namespace {

std::string Written(const rapidjson::Document& document)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    document.Accept(writer);
    return std::string(buffer.GetString(), buffer.GetSize());
}

void CheckInsituParse(std::string_view text)
{
    rapidjson::Document copied;
    rapidjson::Document inPlace;
    std::string buffer(text);
    const auto copyError = JsonParser::Parse(text, copied);
    const auto inPlaceError = JsonParser::ParseInsitu(buffer, inPlace);
    FUZZ_CHECK((copyError == nullptr) == (inPlaceError == nullptr));
    if (copyError != nullptr) {
        FUZZ_CHECK(copyError->ToString() == inPlaceError->ToString());
    } else {
        FUZZ_CHECK(Written(copied) == Written(inPlace));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckInsituParse(text);
    const auto decoded = TaggedJsonCodec::Decode(text);
    if (!decoded.Ok()) {
        FUZZ_CHECK(decoded.error != nullptr);
        return 0;
    }
    const std::string encoded = TaggedJsonCodec::Encode(*decoded.value);
    const auto again = TaggedJsonCodec::Decode(encoded);
    FUZZ_CHECK(again.Ok());
    FUZZ_CHECK(again.value->Equals(*decoded.value));
    FUZZ_CHECK(TaggedJsonCodec::Encode(*again.value) == encoded);
    return 0;
}
